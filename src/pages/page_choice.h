#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pages/page_history.h"

namespace pagemind::pages {

// A set the user may choose pages from.
struct ChoiceSet {
  // When the set was kept, in seconds since 1970 UTC; none for the pages remembered now.
  std::optional<std::int64_t> time;
  std::vector<RememberedPage> pages;
  // Whose session the set is, for a set of a browser's session.
  std::optional<BrowserSetOrigin> browser{};
};

// The pages remembered now first, then those of each browser followed as it runs, then the
// sets of the history, newest first.
std::vector<ChoiceSet> ChoiceSets(const std::vector<RememberedPage>& current,
                                  const std::vector<PageSet>& history,
                                  const std::vector<PageSet>& live = {});

// A page of one of the sets: its set's and its own position.
struct ChoicePage {
  std::size_t set = 0;
  std::size_t page = 0;
};

// The addresses of the chosen pages, in the order given; a page chosen in more than one set is
// opened once. Positions outside the sets are ignored.
std::vector<std::string> ChosenAddresses(const std::vector<ChoiceSet>& sets,
                                         const std::vector<ChoicePage>& chosen);

// The chosen pages as they open: those of a browser session's set together, in that browser
// (one new window per set), the others together the way the remembered pages open. Groups
// in the order of their first page chosen, each page once.
struct ChosenGroup {
  PageSource source;  // the shell's for the pages that open the way remembered pages do
  std::string profileName;
  std::vector<std::string> addresses;
};
std::vector<ChosenGroup> ChosenGroups(const std::vector<ChoiceSet>& sets,
                                      const std::vector<ChoicePage>& chosen);

}  // namespace pagemind::pages
