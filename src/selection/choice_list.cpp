#include "selection/choice_list.h"

#include <cstdio>

namespace pagemind::selection {

namespace {
std::string CountText(std::size_t pageCount) {
  return "  (" + std::to_string(pageCount) + " ページ)";
}
}  // namespace

std::string SetHeading(const platform::LocalTime& time, std::size_t pageCount) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute);
  return text + CountText(pageCount);
}

std::string CurrentPagesHeading(std::size_t pageCount) {
  return "現在のページ" + CountText(pageCount);
}

ChoiceList MakeChoiceList(const std::vector<pages::ChoiceSet>& sets, const platform::Clock& clock) {
  ChoiceList list;
  for (std::size_t s = 0; s < sets.size(); ++s) {
    const auto& set = sets[s];
    const auto count = set.pages.size();
    list.rows.push_back(
        {set.time ? SetHeading(clock.ToLocal(*set.time), count) : CurrentPagesHeading(count), false,
         false});
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
