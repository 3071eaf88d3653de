#pragma once

#include <memory>

#include "about/about_window.h"
#include "app/logo.h"
#include "app/main_form.h"
#include "platform/ports.h"
#include "settings/settings_window.h"

namespace pagemind::app {

// The program's windows and the order in which they come and go.
class Application {
 public:
  explicit Application(platform::Ports ports);

  // Loads the splash window; the rest of the start-up follows from its timer.
  void Start();

  // The splash window's three seconds are over: load Main hidden, unload the splash window.
  void SplashTimeIsUp();

  // The end sequence after the pages were saved: unload Main and the settings window, then end
  // the process at once.
  void EndProgram();
  // Ends the process without unloading anything more.
  void EndProcessNow();
  // Closes the settings and about windows where they show, so that their modal loops return.
  void CloseModalWindows();

  [[nodiscard]] Main* main() { return main_.get(); }
  [[nodiscard]] settings::Settings& settings() { return settings_; }
  [[nodiscard]] about::AboutVer& about() { return about_; }

 private:
  platform::Ports ports_;
  std::unique_ptr<Logo> logo_;
  std::unique_ptr<Main> main_;
  settings::Settings settings_;
  about::AboutVer about_;
};

}  // namespace pagemind::app
