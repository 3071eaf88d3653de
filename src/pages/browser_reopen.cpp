#include "pages/browser_reopen.h"

#include <algorithm>

#include "browsers/chromium_files.h"
#include "browsers/firefox_reader.h"
#include "common/paths.h"
#include "pages/shell_open_rule.h"
#include "platform/command_line.h"

namespace pagemind::pages {

// The arguments before the pages, and the one before each page.
struct WindowArguments {
  std::vector<std::string> leading;
  std::string beforeEach;
};

namespace {
// Opera's profile is its User Data folder itself: no profile to name.
constexpr std::string_view kUserDataItself = ".";

WindowArguments ArgumentsFor(const PageSource& source, std::string_view profileName) {
  if (source.browser == browsers::kFirefoxName) {
    // -P chooses the profile by its name; a running Firefox of that profile takes the request.
    WindowArguments firefox{.leading = {}, .beforeEach = "-url"};
    if (!profileName.empty()) firefox.leading = {"-P", std::string(profileName)};
    return firefox;
  }
  WindowArguments chromium;
  if (source.profile != kUserDataItself) {
    chromium.leading.push_back("--profile-directory=" + source.profile);
  }
  chromium.leading.push_back("--new-window");
  // Nothing after it is taken for a switch, whatever an address starts with.
  chromium.leading.push_back("--");
  return chromium;
}

// Where a browser registers itself under App Paths, and its per-user installation relative to
// %LOCALAPPDATA% ('/' between the parts).
struct ProgramPlaces {
  std::string_view appPathsKey;
  std::string_view userExecutable;
};

std::optional<ProgramPlaces> PlacesOf(std::string_view browser) {
  if (browser == browsers::kFirefoxName) {
    return ProgramPlaces{"firefox.exe", "Mozilla Firefox/firefox.exe"};
  }
  for (const auto& known : browsers::ChromiumBrowsers()) {
    if (known.name == browser) return ProgramPlaces{known.appPathsKey, known.userExecutable};
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> BrowserReopener::Open(const PageSet& set) {
  std::vector<std::string> unopened;
  const auto source = SetSource(set);
  const std::string profileName = set.browser ? set.browser->profileName : std::string();
  std::vector<std::string> window;
  for (std::size_t i = 0; i < set.pages.size(); ++i) {
    window.push_back(set.pages[i].address);
    if (i + 1 == set.pages.size() || set.pages[i + 1].window != set.pages[i].window) {
      auto failed = OpenInOneWindow(source, window, profileName);
      unopened.insert(unopened.end(), failed.begin(), failed.end());
      window.clear();
    }
  }
  return unopened;
}

std::vector<std::string> BrowserReopener::OpenInOneWindow(const PageSource& source,
                                                          const std::vector<std::string>& addresses,
                                                          std::string_view profileName) {
  const auto program = source.isShellWindow() ? std::nullopt : ProgramOf(source.browser);
  if (!program) return fallback_.Open(addresses);
  std::vector<std::string> unopened;
  OpenWindow(*program, ArgumentsFor(source, profileName), addresses, unopened);
  return unopened;
}

std::optional<std::filesystem::path> BrowserReopener::ProgramOf(const std::string& browser) {
  const auto places = PlacesOf(browser);
  if (!places) return std::nullopt;
  if (!places->appPathsKey.empty()) {
    if (auto registered = programs_.Find(places->appPathsKey)) return registered;
  }
  if (localAppData_.empty()) return std::nullopt;
  auto perUser = browsers::UnderFolder(localAppData_, places->userExecutable);
  std::error_code error;
  if (files_.Probe(perUser, error) != platform::PathKind::kFile) return std::nullopt;
  return perUser;
}

void BrowserReopener::OpenWindow(const std::filesystem::path& program, const WindowArguments& how,
                                 const std::vector<std::string>& addresses,
                                 std::vector<std::string>& unopened) {
  const auto programText = Utf8FromPath(program);
  std::vector<std::string> arguments = how.leading;
  std::vector<std::string> inWindow;
  const auto start = [&] {
    if (inWindow.empty()) return;
    if (programs_.Start(program, arguments)) {
      unopened.insert(unopened.end(), inWindow.begin(), inWindow.end());
    }
    arguments = how.leading;
    inWindow.clear();
  };
  // Adds the page's arguments when the command line still holds them.
  std::string line;
  const auto fits = [&](const std::string& target) {
    const auto before = arguments.size();
    if (!how.beforeEach.empty()) arguments.push_back(how.beforeEach);
    arguments.push_back(target);
    if (!platform::BuildCommandLine(programText, arguments, line)) return true;
    arguments.resize(before);
    return false;
  };
  const auto fitsAlone = [&](const std::string& target) {
    auto alone = how.leading;
    if (!how.beforeEach.empty()) alone.push_back(how.beforeEach);
    alone.push_back(target);
    return !platform::BuildCommandLine(programText, alone, line);
  };
  for (const auto& address : addresses) {
    const auto target = OpenableTarget(address, files_);
    // A page no command line can carry even alone is refused without splitting the window
    // around it.
    if (!target || !fitsAlone(*target)) {
      unopened.push_back(address);
      continue;
    }
    if (!fits(*target)) {
      // Past the limit: the window so far starts, and this page begins the next one.
      start();
      (void)fits(*target);
    }
    inWindow.push_back(address);
  }
  start();
}

}  // namespace pagemind::pages
