#include "pages/page_choice.h"

#include <algorithm>
#include <cstdio>

namespace pagemind::pages {

namespace {
std::string CountText(std::size_t pageCount) {
  return "  (" + std::to_string(pageCount) + " ページ)";
}

void AddSet(std::vector<ChoiceRow>& rows, std::string heading,
            const std::vector<RememberedPage>& pages) {
  rows.push_back({std::move(heading), {}});
  for (const auto& page : pages) {
    rows.push_back({page.title.empty() ? page.address : page.title, page.address});
  }
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

std::vector<ChoiceRow> ChoiceRows(const std::vector<RememberedPage>& current,
                                  const std::vector<PageSet>& history,
                                  const platform::Clock& clock) {
  std::vector<ChoiceRow> rows;
  AddSet(rows, CurrentPagesHeading(current.size()), current);
  for (const auto& set : history) {
    AddSet(rows, SetHeading(clock.ToLocal(set.time), set.pages.size()), set.pages);
  }
  return rows;
}

std::vector<platform::CheckListRow> UncheckedListRows(const std::vector<ChoiceRow>& rows) {
  std::vector<platform::CheckListRow> list;
  list.reserve(rows.size());
  for (const auto& row : rows) list.push_back({row.text, row.isPage(), false});
  return list;
}

std::vector<std::string> ChosenAddresses(const std::vector<ChoiceRow>& rows,
                                         const std::vector<bool>& checked) {
  std::vector<std::string> chosen;
  for (std::size_t i = 0; i < rows.size() && i < checked.size(); ++i) {
    if (!checked[i] || !rows[i].isPage()) continue;
    if (std::find(chosen.begin(), chosen.end(), rows[i].address) == chosen.end()) {
      chosen.push_back(rows[i].address);
    }
  }
  return chosen;
}

}  // namespace pagemind::pages
