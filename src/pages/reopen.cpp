#include "pages/reopen.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

namespace pagemind::pages {

std::vector<std::string> Reopener::ReopenAll(PageSlots pageSlots) {
  std::vector<std::string> unopened;
  for (const auto& slot : pageSlots) {
    if (slot.empty()) continue;
    reopenAddress_ = slot;
    if (OpenInNewBrowser(reopenAddress_)) continue;
    if (SafeToHandToShell(reopenAddress_) && shell_.OpenWithShell(reopenAddress_)) continue;
    unopened.push_back(reopenAddress_);
  }
  return unopened;
}

bool Reopener::OpenInNewBrowser(const std::string& address) {
  // A new browser for every page: a released browser's window stays open on its own.
  const std::unique_ptr<platform::Browser> ie2 = shell_.CreateBrowser();
  if (!ie2) return false;
  if (ie2->Navigate(address) && ie2->SetVisible(true)) return true;
  // Its window never showed; without this it would linger hidden.
  ie2->Quit();
  return false;
}

bool SafeToHandToShell(std::string_view address) {
  const auto colon = address.find(':');
  if (colon == std::string_view::npos) return false;
  std::string scheme(address.substr(0, colon));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  constexpr std::array<std::string_view, 4> kSafe = {"http", "https", "ftp", "file"};
  return std::find(kSafe.begin(), kSafe.end(), scheme) != kSafe.end();
}

std::string UnopenedPagesMessage(const std::vector<std::string>& addresses) {
  std::string text = "次のページを開けませんでした。\r\n\r\n";
  for (const auto& address : addresses) text += address + "\r\n";
  return text;
}

}  // namespace pagemind::pages
