#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

namespace pagemind::browsers {

// Firefox's compressed files (sessionstore.jsonlz4, recovery.jsonlz4, recovery.baklz4):
// "mozLz40\0", the content's size as a little-endian uint32, then the content as one LZ4 block
// (not an LZ4 frame).

// Bounds that keep a damaged or hostile file from taking the machine's memory: real sessions
// reach tens of MB of content and compress to a fraction of that.
inline constexpr std::size_t kMozLz4MaxFileBytes = std::size_t{128} << 20;
inline constexpr std::size_t kMozLz4MaxContentBytes = std::size_t{256} << 20;

// Decodes a whole mozLz40 file into `content`. On failure `content` is empty and the error is a
// FirefoxError: kNotMozLz4, kFileTooLarge, kDeclaredTooLarge, kSizeMismatch, kBlockTruncated,
// kBlockDamaged or kOutOfMemory.
std::error_code DecodeMozLz4(std::string_view file, std::string& content) noexcept;

// The mozLz40 file holding `content`, as Firefox writes it; "" for content over the bound.
std::string EncodeMozLz4(std::string_view content);

}  // namespace pagemind::browsers
