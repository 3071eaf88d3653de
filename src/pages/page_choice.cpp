#include "pages/page_choice.h"

#include <algorithm>
#include <cstdint>

namespace pagemind::pages {

std::vector<ChoiceSet> ChoiceSets(const std::vector<RememberedPage>& current,
                                  const std::vector<PageSet>& history,
                                  const std::vector<PageSet>& live) {
  std::vector<ChoiceSet> sets;
  sets.reserve(history.size() + live.size() + 1);
  sets.push_back({std::nullopt, current});
  for (const auto& set : live) sets.push_back({std::nullopt, set.pages, set.browser});
  for (const auto& set : history) sets.push_back({set.time, set.pages, set.browser});
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

std::vector<ChosenGroup> ChosenGroups(const std::vector<ChoiceSet>& sets,
                                      const std::vector<ChoicePage>& chosen) {
  std::vector<ChosenGroup> groups;
  // A set of a browser's session is a group of its own even where two sets share a profile.
  std::vector<std::size_t> groupOfSet(sets.size(), SIZE_MAX);
  std::size_t shellGroup = SIZE_MAX;
  std::vector<std::string> taken;
  for (const auto& at : chosen) {
    if (at.set >= sets.size() || at.page >= sets[at.set].pages.size()) continue;
    const auto& address = sets[at.set].pages[at.page].address;
    if (std::find(taken.begin(), taken.end(), address) != taken.end()) continue;
    taken.push_back(address);
    const auto& browser = sets[at.set].browser;
    auto& group = browser ? groupOfSet[at.set] : shellGroup;
    if (group == SIZE_MAX) {
      group = groups.size();
      groups.push_back(browser ? ChosenGroup{browser->source, browser->profileName, {}}
                               : ChosenGroup{});
    }
    groups[group].addresses.push_back(address);
  }
  return groups;
}

}  // namespace pagemind::pages
