#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "pages/page_choice.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace pagemind::selection {

// "2026/12/08 09:05  (3 ページ)", in the user's local time; for a set of a browser's session
// "2026/12/08 09:05  Google Chrome（Person 1） 異常終了  (3 ページ)".
std::string SetHeading(const platform::LocalTime& time, std::size_t pageCount,
                       const std::optional<pages::BrowserSetOrigin>& browser = std::nullopt);
// The pages remembered now, which head the list: "現在のページ  (3 ページ)"; those of a
// browser followed as it runs "現在のページ  Mozilla Firefox（default）  (3 ページ)".
std::string CurrentPagesHeading(
    std::size_t pageCount, const std::optional<pages::BrowserSetOrigin>& browser = std::nullopt);

// The check list the window shows for the sets: each set's heading (no box), then its pages,
// each with its title where one was seen, else its address; nothing checked.
struct ChoiceList {
  std::vector<platform::CheckListRow> rows;
  // The page each row shows; none for a heading.
  std::vector<std::optional<pages::ChoicePage>> pageOfRow;

  // The pages of the checked rows, in list order.
  [[nodiscard]] std::vector<pages::ChoicePage> Checked(const std::vector<bool>& checked) const;
};
ChoiceList MakeChoiceList(const std::vector<pages::ChoiceSet>& sets, const platform::Clock& clock);

}  // namespace pagemind::selection
