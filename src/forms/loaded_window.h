#pragma once

#include <memory>

#include "platform/ui.h"

namespace pagemind {

// A window that the tray menu loads, shows modally and unloads. An unload asked for while the
// window's own modal loop runs (from the tray menu, or its close box) hides it at once and
// destroys it once that loop has returned, so the loop never runs on a destroyed window.
class LoadedWindow {
 public:
  [[nodiscard]] bool loaded() const { return form_ != nullptr && !unloadPending_; }
  [[nodiscard]] platform::Form& form() { return *form_; }
  void Set(std::unique_ptr<platform::Form> form) {
    form_ = std::move(form);
    unloadPending_ = false;
  }

  void ShowModal() {
    ++modalDepth_;
    form_->ShowModal();
    --modalDepth_;
    if (unloadPending_ && modalDepth_ == 0) {
      unloadPending_ = false;
      form_.reset();
    }
  }

  void Unload() {
    if (!form_) return;
    if (modalDepth_ > 0) {
      form_->SetVisible(false);
      unloadPending_ = true;
      return;
    }
    form_.reset();
  }

 private:
  std::unique_ptr<platform::Form> form_;
  int modalDepth_ = 0;
  bool unloadPending_ = false;
};

}  // namespace pagemind
