#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pages/page_history.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace pagemind::pages {

// One row of the list the user chooses pages from: the heading of a set, or a page under it.
struct ChoiceRow {
  std::string text;
  std::string address;  // "" for a heading
  [[nodiscard]] bool isPage() const { return !address.empty(); }
};

// "2026/12/08 09:05  (3 ページ)", in the user's local time.
std::string SetHeading(const platform::LocalTime& time, std::size_t pageCount);
// The pages remembered now, which head the list.
std::string CurrentPagesHeading(std::size_t pageCount);

// The pages remembered now first, then the sets of the history, newest first; a page shows its
// title where one was seen, else its address.
std::vector<ChoiceRow> ChoiceRows(const std::vector<RememberedPage>& current,
                                  const std::vector<PageSet>& history,
                                  const platform::Clock& clock);

// The rows as the list control takes them: headings without a box, nothing checked.
std::vector<platform::CheckListRow> UncheckedListRows(const std::vector<ChoiceRow>& rows);

// The addresses of the checked page rows, in list order; a page checked in more than one set
// is opened once.
std::vector<std::string> ChosenAddresses(const std::vector<ChoiceRow>& rows,
                                         const std::vector<bool>& checked);

}  // namespace pagemind::pages
