#include "pages/page_choice.h"

#include <algorithm>

namespace pagemind::pages {

std::vector<ChoiceSet> ChoiceSets(const std::vector<RememberedPage>& current,
                                  const std::vector<PageSet>& history) {
  std::vector<ChoiceSet> sets;
  sets.reserve(history.size() + 1);
  sets.push_back({std::nullopt, current});
  for (const auto& set : history) sets.push_back({set.time, set.pages});
  return sets;
}

std::vector<std::string> ChosenAddresses(const std::vector<ChoiceSet>& sets,
                                         const std::vector<ChoicePage>& chosen) {
  std::vector<std::string> addresses;
  for (const auto& at : chosen) {
    if (at.set >= sets.size() || at.page >= sets[at.set].pages.size()) continue;
    const auto& address = sets[at.set].pages[at.page].address;
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
      addresses.push_back(address);
    }
  }
  return addresses;
}

}  // namespace pagemind::pages
