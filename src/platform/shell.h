#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pagemind::platform {

// The shell's document-view objects. Every call can fail; a failure is an empty optional or
// false, never an exception.

// What shows a window of the shell's collection: the collection lists the file manager's
// folder windows beside the browser's.
enum class WindowKind { kBrowser, kFolder };

// One browser window (IWebBrowser2).
class Browser {
 public:
  virtual ~Browser() = default;
  // kFolder only when the shell says the file manager shows the window: a window the shell
  // cannot place counts as a browser's, so that no page is dropped for want of an answer.
  [[nodiscard]] virtual WindowKind Kind() = 0;
  // Names the window while it is open, 0 where the shell cannot: a window whose page moves on
  // keeps its name, the windows of a browser started again have new ones. The frame window of
  // a browser with tabs names all of its tabs. Asked after Kind, which may have learnt it.
  [[nodiscard]] virtual std::uintptr_t WindowId() = 0;
  [[nodiscard]] virtual std::optional<std::string> LocationUrl() = 0;
  [[nodiscard]] virtual std::optional<std::string> LocationName() = 0;
  // Starts loading the address and returns without waiting for the page.
  [[nodiscard]] virtual bool Navigate(std::string_view address) = 0;
  [[nodiscard]] virtual bool SetVisible(bool visible) = 0;
  // Ends a browser that the program created but could not use; its window never showed.
  virtual void Quit() = 0;
};

// The shell's collection of open browser windows (ShellWindows), live: it follows windows as
// they open and close.
class BrowserWindowList {
 public:
  virtual ~BrowserWindowList() = default;
  [[nodiscard]] virtual std::optional<int> Count() = 0;
  // The window at a 0-based position: nullptr when there is none at that position (an ordinary
  // answer), an empty optional when the call fails.
  [[nodiscard]] virtual std::optional<std::unique_ptr<Browser>> Item(int index) = 0;
  // True once a call failed because the process that served the collection has gone (the
  // shell restarted): this collection will never answer again.
  [[nodiscard]] virtual bool Lost() const = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // nullptr when the collection cannot be created.
  virtual std::unique_ptr<BrowserWindowList> CreateWindowList() = 0;
  // A new, hidden browser of the InternetExplorer class; nullptr when it cannot be created.
  virtual std::unique_ptr<Browser> CreateBrowser() = 0;
  // Hands a document or address to the application registered for it (the shell's "open"),
  // started in workingFolder; an empty path leaves the folder to the shell.
  virtual bool OpenWithShell(std::string_view target,
                             const std::filesystem::path& workingFolder) = 0;
};

}  // namespace pagemind::platform
