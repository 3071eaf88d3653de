#pragma once

#include <memory>

#include "app/logo.h"
#include "app/resident_host.h"
#include "platform/ports.h"

namespace pagemind::app {

// The program's start: the splash window, then the resident program.
class Application {
 public:
  explicit Application(platform::Ports ports);

  // Loads the splash window; the rest of the start-up follows from its timer.
  void Start();

  // The splash window's three seconds are over: start the resident program, whose main window
  // loads hidden, and unload the splash window.
  void SplashTimeIsUp();

  // Ends the process at once, before the resident program has started.
  void EndProcessNow();

  // The resident program; nullptr until the splash window's time is up.
  [[nodiscard]] ResidentHost* host() { return host_.get(); }

 private:
  platform::Ports ports_;
  std::unique_ptr<Logo> logo_;
  std::unique_ptr<ResidentHost> host_;
};

}  // namespace pagemind::app
