#pragma once

#include <memory>

#include "platform/ports.h"

namespace pagemind::app {

class Application;

// The splash window shown while Pagemind starts. It refuses a second instance, shows the
// version, and after three seconds loads the hidden main window and unloads itself.
class Logo final : platform::FormEvents {
 public:
  enum Control : int { kImage1 = 1, kLabel1, kLabel2, kLabel3, kLabel4, kLabel5 };
  enum Timer : int { kTimer1 = 1 };

  Logo(platform::Ports ports, Application& application);

  // Creates the window and runs Form_Load. False when another instance runs: the program has
  // then been ended and nothing else of the start-up may run.
  bool Load();
  [[nodiscard]] bool showAfterLoad() const { return showAfterLoad_; }
  void Show();
  // The program's own unload; destroys the window.
  void Unload(platform::UnloadReason reason);

  static platform::FormLayout Layout();

 private:
  void Form_Load();
  [[nodiscard]] bool Form_QueryUnload(platform::UnloadReason reason) const;
  void Timer1_Timer();

  void OnTimer(int timerId) override;
  void OnCloseRequest(platform::UnloadReason reason) override;

  platform::Ports ports_;
  Application& application_;
  std::unique_ptr<platform::Form> form_;
  bool refused_ = false;
  bool showAfterLoad_ = true;
};

}  // namespace pagemind::app
