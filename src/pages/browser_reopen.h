#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pages/page_history.h"
#include "pages/reopen.h"
#include "platform/files.h"
#include "platform/programs.h"

namespace pagemind::pages {

// How a browser is told to open pages as one new window of a profile.
struct WindowArguments;

// Opens the pages of a browser's session again in that browser and profile: each window as one
// new window with its tabs in their order (`--profile-directory=… --new-window -- URL…` for the
// Chromium family, `-P NAME -url URL -url URL…` for Firefox), split
// into more windows only where Windows' command-line limit demands it. Only what OpenableTarget
// lets through goes, in the form it gives. Where the browser's program cannot be found the
// pages go the way of the shell's windows' pages.
class BrowserReopener {
 public:
  BrowserReopener(platform::Programs& programs, platform::FileSystem& files,
                  std::filesystem::path localAppData, Reopener& fallback)
      : programs_(programs),
        files_(files),
        localAppData_(std::move(localAppData)),
        fallback_(fallback) {}

  // Returns the addresses that could not be opened.
  std::vector<std::string> Open(const PageSet& set);
  // Pages chosen from a browser's set: one new window for them all, in their order.
  // `profileName` is the profile as its browser names it (Firefox chooses profiles by it).
  std::vector<std::string> OpenInOneWindow(const PageSource& source,
                                           const std::vector<std::string>& addresses,
                                           std::string_view profileName = {});

 private:
  [[nodiscard]] std::optional<std::filesystem::path> ProgramOf(const std::string& browser);
  // One window's pages, as many windows as the command line needs.
  void OpenWindow(const std::filesystem::path& program, const WindowArguments& how,
                  const std::vector<std::string>& addresses, std::vector<std::string>& unopened);

  platform::Programs& programs_;
  platform::FileSystem& files_;
  std::filesystem::path localAppData_;
  Reopener& fallback_;
};

}  // namespace pagemind::pages
