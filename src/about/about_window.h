#pragma once

#include "forms/loaded_window.h"
#include "platform/ports.h"

namespace pagemind::about {

// The version-information window with its two support links.
class AboutVer final : platform::FormEvents {
 public:
  enum Control : int {
    kCommand1 = 1,
    kLabel2,
    kLabel1,
    kLabel3,
    kLabel4,
    kLabel5,
    kLabel6,
    kLabel7,
    kImage1,
    kImage2,
    kLine1_0,
    kLine1_1
  };

  explicit AboutVer(platform::Ports ports) : ports_(ports) {}

  bool IsVisibleLoadingIfNeeded();
  [[nodiscard]] bool loaded() const { return window_.loaded(); }
  // Loaded and visible; unlike the question above, this one loads nothing.
  [[nodiscard]] bool IsShown() { return window_.loaded() && window_.form().IsVisible(); }
  void ShowModal() { window_.ShowModal(); }
  void Unload() { window_.Unload(); }

  static platform::FormLayout Layout();

 private:
  void Load();
  void Form_Load();
  void Command1_Click();
  void Label4_Click();
  void Label6_Click();

  void OnClick(int controlId) override;
  void OnCloseRequest(platform::UnloadReason reason) override;

  platform::Ports ports_;
  LoadedWindow window_;
};

}  // namespace pagemind::about
