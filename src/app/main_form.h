#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "access_log/access_log.h"
#include "platform/ports.h"

namespace pagemind::app {

// What the hidden main window hands on to the program that owns it: the ticks of its timers,
// the commands posted to it, and a request to end that it does not refuse.
class MainEvents {
 public:
  virtual void PollTimerTicked() = 0;
  virtual void RecoveryTimerTicked() = 0;
  virtual void CommandPosted(int commandId) = 0;
  // Windows ends the session, or another program asks the program to end.
  virtual void EndRequested(platform::UnloadReason reason) = 0;

 protected:
  ~MainEvents() = default;
};

// The access-log window. It stays hidden unless the user shows it, and it is the window the
// program's timers, the tray menu and the requests to end arrive at, all of which it hands to
// its owner.
class Main final : platform::FormEvents, access_log::AccessLogView {
 public:
  enum Control : int { kList1 = 1, kCommand1, kCommand2, kPicture1, kLabel1 };
  enum Timer : int { kTimer1 = 1, kRecoveryTimer };

  Main(platform::Ports ports, access_log::AccessLog& log, MainEvents& events);
  ~Main();
  Main(const Main&) = delete;
  Main& operator=(const Main&) = delete;

  // Creates the window hidden, starts its timers and runs Form_Load.
  void Load();
  // Destroys the window, unless Form_QueryUnload refuses: true when it went.
  bool Unload(platform::UnloadReason reason);
  [[nodiscard]] bool loaded() const { return form_ != nullptr; }
  // The window, as the owner of the tray menu.
  [[nodiscard]] platform::Form& form() { return *form_; }

  [[nodiscard]] bool IsShown() const { return form_ && form_->IsVisible(); }
  // The tray toggle: shows the window modelessly, or hides it.
  void Toggle();
  void Close();

  static platform::FormLayout Layout();

 private:
  void Form_Load();
  [[nodiscard]] static bool Form_QueryUnload(platform::UnloadReason reason);
  void Timer1_Timer();
  void Command1_Click();
  void Command2_Click();

  void OnCommand(int commandId) override;
  void OnTimer(int timerId) override;
  void OnClick(int controlId) override;
  void OnCloseRequest(platform::UnloadReason reason) override;

  void LineInsertedAtTop(std::string_view line) override;
  void LastLineRemoved() override;
  void Cleared() override;
  void CounterChanged(std::string_view text) override;

  platform::Ports ports_;
  access_log::AccessLog& log_;
  MainEvents& events_;
  std::unique_ptr<platform::Form> form_;
  // The Save dialog offers the last file chosen in this run.
  std::string lastSavePath_;
};

}  // namespace pagemind::app
