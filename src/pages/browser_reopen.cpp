#include "pages/browser_reopen.h"

#include <algorithm>

#include "browsers/chromium_files.h"
#include "common/paths.h"
#include "pages/shell_open_rule.h"
#include "platform/command_line.h"

namespace pagemind::pages {

namespace {
// Opera's profile is its User Data folder itself: no profile to name.
constexpr std::string_view kUserDataItself = ".";
}  // namespace

std::vector<std::string> BrowserReopener::Open(const PageSet& set) {
  std::vector<std::string> unopened;
  const auto source = SetSource(set);
  std::vector<std::string> window;
  for (std::size_t i = 0; i < set.pages.size(); ++i) {
    window.push_back(set.pages[i].address);
    if (i + 1 == set.pages.size() || set.pages[i + 1].window != set.pages[i].window) {
      auto failed = OpenInOneWindow(source, window);
      unopened.insert(unopened.end(), failed.begin(), failed.end());
      window.clear();
    }
  }
  return unopened;
}

std::vector<std::string> BrowserReopener::OpenInOneWindow(
    const PageSource& source, const std::vector<std::string>& addresses) {
  const auto program = source.isShellWindow() ? std::nullopt : ProgramOf(source.browser);
  if (!program) return fallback_.Open(addresses);
  std::vector<std::string> unopened;
  OpenWindow(*program, source, addresses, unopened);
  return unopened;
}

std::optional<std::filesystem::path> BrowserReopener::ProgramOf(const std::string& browser) {
  const auto browsers = browsers::ChromiumBrowsers();
  const auto known = std::find_if(browsers.begin(), browsers.end(),
                                  [&browser](const auto& known) { return known.name == browser; });
  if (known == browsers.end()) return std::nullopt;
  if (!known->appPathsKey.empty()) {
    if (auto registered = programs_.Find(known->appPathsKey)) return registered;
  }
  if (localAppData_.empty()) return std::nullopt;
  auto perUser = browsers::PerUserExecutable(*known, localAppData_);
  std::error_code error;
  if (files_.Probe(perUser, error) != platform::PathKind::kFile) return std::nullopt;
  return perUser;
}

void BrowserReopener::OpenWindow(const std::filesystem::path& program, const PageSource& source,
                                 const std::vector<std::string>& addresses,
                                 std::vector<std::string>& unopened) {
  std::vector<std::string> leading;
  if (source.profile != kUserDataItself) leading.push_back("--profile-directory=" + source.profile);
  leading.push_back("--new-window");
  // Nothing after it is taken for a switch, whatever an address starts with.
  leading.push_back("--");
  const auto programText = Utf8FromPath(program);
  std::vector<std::string> arguments = leading;
  std::vector<std::string> inWindow;
  const auto start = [&] {
    if (inWindow.empty()) return;
    if (programs_.Start(program, arguments)) {
      unopened.insert(unopened.end(), inWindow.begin(), inWindow.end());
    }
    arguments = leading;
    inWindow.clear();
  };
  std::string line;
  for (const auto& address : addresses) {
    const auto target = OpenableTarget(address, files_);
    // A page no command line can carry even alone is refused without splitting the window
    // around it.
    std::vector<std::string> alone = leading;
    alone.push_back(target.value_or(std::string()));
    if (!target || platform::BuildCommandLine(programText, alone, line)) {
      unopened.push_back(address);
      continue;
    }
    arguments.push_back(*target);
    if (platform::BuildCommandLine(programText, arguments, line)) {
      // Past the limit: the window so far starts, and this page begins the next one.
      arguments.pop_back();
      start();
      arguments.push_back(*target);
    }
    inWindow.push_back(address);
  }
  start();
}

}  // namespace pagemind::pages
