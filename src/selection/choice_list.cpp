#include "selection/choice_list.h"

#include <cstdio>

#include "forms/browser_names.h"

namespace pagemind::selection {

namespace {
std::string CountText(std::size_t pageCount) {
  return "  (" + std::to_string(pageCount) + " ページ)";
}

std::string EndWord(browsers::BrowserEnd end) {
  switch (end) {
    case browsers::BrowserEnd::kCrashed:
      return "異常終了";
    case browsers::BrowserEnd::kSessionEnded:
      return "Windows の終了";
    case browsers::BrowserEnd::kNormal:
      return "終了";
    case browsers::BrowserEnd::kUnknown:
      break;
  }
  return "終了（種類不明）";
}
}  // namespace

std::string SetHeading(const platform::LocalTime& time, std::size_t pageCount,
                       const std::optional<pages::BrowserSetOrigin>& browser) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute);
  std::string heading = text;
  if (browser) {
    // Appended piece by piece: GCC 12 warns falsely about "literal" + std::string here.
    heading += "  ";
    heading +=
        BrowserProfileName(browser->source.browser, browser->profileName, browser->source.profile);
    heading += ' ';
    heading += EndWord(browser->end);
  }
  return heading + CountText(pageCount);
}

std::string CurrentPagesHeading(std::size_t pageCount,
                                const std::optional<pages::BrowserSetOrigin>& browser) {
  std::string heading = "現在のページ";
  if (browser) {
    heading += "  ";
    heading +=
        BrowserProfileName(browser->source.browser, browser->profileName, browser->source.profile);
  }
  return heading + CountText(pageCount);
}

ChoiceList MakeChoiceList(const std::vector<pages::ChoiceSet>& sets, const platform::Clock& clock) {
  ChoiceList list;
  for (std::size_t s = 0; s < sets.size(); ++s) {
    const auto& set = sets[s];
    const auto count = set.pages.size();
    list.rows.push_back({set.time ? SetHeading(clock.ToLocal(*set.time), count, set.browser)
                                  : CurrentPagesHeading(count, set.browser),
                         false, false});
    list.pageOfRow.emplace_back();
    for (std::size_t p = 0; p < count; ++p) {
      const auto& page = set.pages[p];
      list.rows.push_back({page.title.empty() ? page.address : page.title, true, false});
      list.pageOfRow.emplace_back(pages::ChoicePage{s, p});
    }
  }
  return list;
}

std::vector<pages::ChoicePage> ChoiceList::Checked(const std::vector<bool>& checked) const {
  std::vector<pages::ChoicePage> pages;
  for (std::size_t i = 0; i < pageOfRow.size() && i < checked.size(); ++i) {
    if (checked[i] && pageOfRow[i]) pages.push_back(*pageOfRow[i]);
  }
  return pages;
}

}  // namespace pagemind::selection
