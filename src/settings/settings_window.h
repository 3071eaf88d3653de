#pragma once

#include "forms/loaded_window.h"
#include "platform/ports.h"

namespace pagemind::settings {

// The settings window: two pairs of option buttons for the splash window and the page memory.
// It keeps the user's choices in memory and writes them only on OK; Cancel and OK hide it,
// its close box unloads it.
class Settings final : platform::FormEvents {
 public:
  enum Control : int {
    kLabel1 = 1,
    kFrame1,
    kOption1,
    kOption2,
    kFrame2,
    kOption3,
    kOption4,
    kHintsLog,
    kCommand1,
    kCommand2
  };
  enum class Choice { kUnset, kOn, kOff };

  explicit Settings(platform::Ports ports) : ports_(ports) {}

  // Asking whether the window is visible loads it first, as the tray menu's toggle expects.
  bool IsVisibleLoadingIfNeeded();
  [[nodiscard]] bool loaded() const { return window_.loaded(); }
  // Loaded and visible; unlike the question above, this one loads nothing.
  [[nodiscard]] bool IsShown() { return window_.loaded() && window_.form().IsVisible(); }
  void ShowModal() { window_.ShowModal(); }
  void Unload() { window_.Unload(); }

  [[nodiscard]] Choice splashChoice() const { return splashChoice_; }
  [[nodiscard]] Choice pageMemoryChoice() const { return pageMemoryChoice_; }

  static platform::FormLayout Layout();

 private:
  void Load();
  void Form_Load();
  void Option1_Click() { splashChoice_ = Choice::kOn; }
  void Option2_Click() { splashChoice_ = Choice::kOff; }
  void Option3_Click() { pageMemoryChoice_ = Choice::kOn; }
  void Option4_Click() { pageMemoryChoice_ = Choice::kOff; }
  void Command1_Click();
  void Command2_Click();
  void HintsLog_Click();

  void OnClick(int controlId) override;
  void OnCloseRequest(platform::UnloadReason reason) override;

  platform::Ports ports_;
  LoadedWindow window_;
  Choice splashChoice_ = Choice::kUnset;
  Choice pageMemoryChoice_ = Choice::kOff;
};

// The explanation behind "？".
extern const char* const kPageMemoryHint;

}  // namespace pagemind::settings
