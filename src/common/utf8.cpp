#include "common/utf8.h"

namespace pagemind {

namespace {
bool IsContinuation(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}
}  // namespace

std::size_t Utf8CharacterLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text.front());
  std::size_t announced = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    announced = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    announced = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    announced = 4;
  }
  std::size_t length = 1;
  while (length < announced && length < text.size() && IsContinuation(text[length])) ++length;
  return length == announced ? length : 1;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  // Back to the start of the character the cut falls into; a character is at most four bytes,
  // so continuation bytes further back belong to none. Where that character ends before the
  // cut (the byte at the cut is a stray one), the cut splits nothing.
  std::size_t start = limit;
  for (int back = 0; back < 3 && start > 0 && IsContinuation(text[start]); ++back) --start;
  if (Utf8CharacterLength(text.substr(start)) <= limit - start) return text.substr(0, limit);
  return text.substr(0, start);
}

}  // namespace pagemind
