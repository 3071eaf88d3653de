#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/application.h"
#include "platform/headless/headless_platform.h"
#include "test_support.h"

namespace pagemind::testing {

// Pagemind started on the headless platform in a fresh program folder, resident after the
// splash window's three seconds.
class ResidentApp : public ::testing::Test {
 protected:
  void Start() {
    app.Start();
    platform.ui.Advance(std::chrono::milliseconds(3000));
    main = platform.ui.Find("Main");
    ASSERT_NE(main, nullptr);
  }
  platform::headless::HeadlessForm* Window(std::string_view name) const {
    return platform.ui.Find(name);
  }
  // The user picks the menu item with this command the next time the tray menu opens.
  void NextMenuChoice(int command) {
    platform.ui.onPopupMenu = [command](const std::vector<platform::MenuItem>&) { return command; };
  }

  // The addresses the shell's browsers were sent to, in order.
  [[nodiscard]] std::vector<std::string> Navigated() const {
    std::vector<std::string> navigated;
    for (const auto& call : platform.shell.calls) {
      if (call.starts_with("Navigate2 ")) navigated.push_back(call.substr(10));
    }
    return navigated;
  }

  TempFolder temp;
  platform::headless::HeadlessPlatform platform{temp.path()};
  app::Application app{platform.ports()};
  platform::headless::HeadlessForm* main = nullptr;
};

}  // namespace pagemind::testing
