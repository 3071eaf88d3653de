#pragma once

#include <windows.h>

#include <memory>
#include <string_view>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {

class WindowUi final : public Ui {
 public:
  // What happens when the last form goes: the shipped program ends its message loop then, as
  // a program without windows has nothing left to do; tests keep theirs.
  enum class WhenLastFormCloses { kKeepRunning, kQuit };

  explicit WindowUi(WhenLastFormCloses whenLastFormCloses = WhenLastFormCloses::kKeepRunning);

  std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
  // Owned by the active form when there is one; otherwise MB_TASKMODAL disables every window
  // of the thread, so that no form takes input behind the box.
  void ShowMessage(std::string_view text, MessageIcon icon) override;
  void ProcessPendingEvents() override;
  // TrackPopupMenuEx at the mouse pointer, with the owner made the foreground window first so
  // that a click elsewhere closes the menu (a notification-area menu needs that).
  int ShowPopupMenu(Form& owner, const std::vector<MenuItem>& items) override;
  // GetSaveFileNameW, Explorer style.
  SaveDialogResult ShowSaveDialog(Form& owner, const SaveDialogOptions& options) override;

  // A hidden window that owns the forms kept out of the taskbar. Destroyed with this object,
  // which therefore outlives every form it made.
  HWND HiddenOwner();

  void FormOpened() noexcept { ++openForms_; }
  void FormClosed() noexcept;

 private:
  WhenLastFormCloses whenLastFormCloses_;
  int openForms_ = 0;
  UniqueWindow hiddenOwner_;
};

// Handles one message the way every loop of the program does: the active form's dialog keys
// first, then translation and dispatch.
void DispatchUiMessage(MSG& message);

// Runs the thread's message loop until WM_QUIT and returns its exit code.
int RunUiMessageLoop();

}  // namespace pagemind::platform::win32
