#include "forms/unopened_pages_message.h"

namespace pagemind {

std::string UnopenedPagesMessage(const std::vector<std::string>& addresses) {
  std::string text = "次のページを開けませんでした。\r\n\r\n";
  for (const auto& address : addresses) text += address + "\r\n";
  return text;
}

}  // namespace pagemind
