#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace pagemind::platform::headless {

// A browser window of the scripted shell. A window that has gone (closed, or its browser
// crashed) fails every call, as a disconnected COM object does.
struct ScriptedWindow {
  std::string url;
  std::string title;
  bool alive = true;
  bool failUrl = false;
  bool failTitle = false;
  // An item of the collection that is no browser: asking for it fails.
  bool notABrowser = false;
  // A folder window of the file manager rather than a browser window.
  bool folder = false;
  // What the shell names the window by; 0 for a window it cannot name.
  std::uintptr_t id = 0;
};

// The shell as a script: windows appear, vanish all at once, and any call can be made to fail.
class ScriptedShell final : public Shell {
 public:
  // Adds an open browser window at the end of the collection.
  std::shared_ptr<ScriptedWindow> Open(std::string url, std::string title);
  // Adds a folder window of the file manager at the end of the collection; a crash of the
  // browser leaves it open.
  std::shared_ptr<ScriptedWindow> OpenFolder(std::string url);
  // Every browser window vanishes at once, as when the browser crashes; folder windows stay.
  void Crash();
  // Closes the window at a position; the later ones move up.
  void Close(std::size_t index);
  // The process serving the collection restarts: every collection made before answers no more
  // and reports itself lost; new ones work.
  void RestartServer() { ++generation; }

  std::unique_ptr<BrowserWindowList> CreateWindowList() override;
  std::unique_ptr<Browser> CreateBrowser() override;
  bool OpenWithShell(std::string_view target, const std::filesystem::path& workingFolder) override;

  // The collection, in order.
  std::vector<std::shared_ptr<ScriptedWindow>> windows;
  // Calls named here fail: "CreateWindowList", "Count", "Item", "LocationURL", "LocationName",
  // "Kind", "CreateBrowser", "Navigate2", "Visible", "ShellExecute".
  std::set<std::string> failing;
  // Every call made, in order, with its argument where it has one ("Item 3", "Navigate2 http://…").
  std::vector<std::string> calls;
  // Runs before each call, with its name: a test can change the windows in between calls.
  std::function<void(std::string_view)> beforeCall;
  // Addresses handed to the shell's "open".
  std::vector<std::string> shellOpened;
  // The working folder of each of them, in the same order.
  std::vector<std::filesystem::path> shellOpenedIn;
  // Browsers the program created, shown or not; a shown one joins the collection.
  std::vector<std::shared_ptr<ScriptedWindow>> created;
  int quitCount = 0;
  // Browser objects the program holds now, as COM references to the shell's objects.
  int liveBrowsers = 0;
  int generation = 0;
  // Each window gets the next id; a test may set a window's id to 0.
  std::uintptr_t lastWindowId = 0;

  // Records the call; true when it is to fail.
  bool Call(const std::string& name, const std::string& argument = {});
};

}  // namespace pagemind::platform::headless
