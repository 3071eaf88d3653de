#include "pages/reopen.h"

#include "pages/shell_open_rule.h"

#include <memory>

namespace pagemind::pages {

std::vector<std::string> Reopener::ReopenAll(PageSlots pageSlots) {
  std::vector<std::string> pages;
  for (auto& slot : pageSlots) {
    if (!slot.empty()) pages.push_back(std::move(slot));
  }
  return Open(pages);
}

std::vector<std::string> Reopener::Open(const std::vector<std::string>& addresses) {
  std::vector<std::string> unopened;
  for (const auto& address : addresses) {
    if (address.empty()) continue;
    // Checked before either route: both start whatever the address names.
    const auto target = OpenableTarget(address, files_);
    if (target && (OpenInNewBrowser(*target) || shell_.OpenWithShell(*target, {}))) continue;
    unopened.push_back(address);
  }
  return unopened;
}

bool Reopener::OpenInNewBrowser(const std::string& address) {
  // A new browser for every page: a released browser's window stays open on its own.
  const std::unique_ptr<platform::Browser> browser = shell_.CreateBrowser();
  if (!browser) return false;
  if (browser->Navigate(address) && browser->SetVisible(true)) return true;
  // Its window never showed; without this it would linger hidden.
  browser->Quit();
  return false;
}

}  // namespace pagemind::pages
