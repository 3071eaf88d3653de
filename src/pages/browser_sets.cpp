#include "pages/browser_sets.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "pages/recovery_copy.h"

namespace pagemind::pages {

namespace {

bool HasScheme(std::string_view address, std::string_view scheme) {
  return address.size() > scheme.size() &&
         std::equal(scheme.begin(), scheme.end(), address.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(b)) == a;
         });
}

// The browser's own pages (its new tab, settings, …) and scripts are not pages to reopen.
bool Reopenable(std::string_view address) {
  constexpr std::array<std::string_view, 3> kSchemes = {"http:", "https:", "file:"};
  return std::any_of(kSchemes.begin(), kSchemes.end(),
                     [address](std::string_view scheme) { return HasScheme(address, scheme); });
}

}  // namespace

PageSet BrowserSetFromSession(const browsers::EndedSession& ended, std::int64_t time) {
  PageSet set{.time = time};
  const PageSource source{ended.browser, ended.profile};
  set.browser = BrowserSetOrigin{.source = source,
                                 .profileName = ended.profileName,
                                 .session = ended.session,
                                 .end = ended.end};
  std::size_t bytes = 0;
  std::uint32_t window = 0;
  for (const auto& sessionWindow : ended.pages.windows) {
    bool numbered = false;
    for (const auto& tab : sessionWindow.tabs) {
      if (!Reopenable(tab.address)) continue;
      RememberedPage page{RecordedAddress(tab.address), RecordedTitle(tab.title), source, window};
      // As the history file writes it: the address escaped, the line keys, the source, the window.
      bytes += EscapedLineBreaks(page.address).size() + page.title.size() +
               std::min(source.browser.size(), kSourceNameLimit) +
               std::min(source.profile.size(), kSourceNameLimit) + 64;
      if (set.pages.size() == kBrowserSetPageLimit || bytes > kBrowserSetBytesLimit) return set;
      set.pages.push_back(std::move(page));
      numbered = true;
    }
    if (numbered) ++window;
  }
  return set;
}

bool OfferedForReopen(const PageSet& set) {
  return set.browser && !set.browser->reopened &&
         (set.browser->end == browsers::BrowserEnd::kCrashed ||
          set.browser->end == browsers::BrowserEnd::kSessionEnded);
}

std::vector<PageSet> SetsToReopen(const std::vector<PageSet>& history) {
  std::vector<PageSet> offered;
  std::vector<PageSource> seen;
  for (const auto& set : history) {
    if (!set.browser || std::find(seen.begin(), seen.end(), set.browser->source) != seen.end()) {
      continue;
    }
    seen.push_back(set.browser->source);
    if (OfferedForReopen(set)) offered.push_back(set);
  }
  return offered;
}

}  // namespace pagemind::pages
