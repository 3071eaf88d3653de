#pragma once

#include <cstddef>
#include <string_view>

namespace pagemind {

// The number of bytes of the UTF-8 character at the start of `text` (not empty): what its lead
// byte announces, as far as continuation bytes follow. A byte that starts no valid sequence
// counts as a character of one byte, so that any text splits into characters.
std::size_t Utf8CharacterLength(std::string_view text);

// The longest start of `text` of at most `limit` bytes that does not split a character.
std::string_view Utf8Prefix(std::string_view text, std::size_t limit);

}  // namespace pagemind
