#include "browsers/firefox_mozlz4.h"

#include <lz4.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "browsers/firefox_error.h"

namespace pagemind::browsers {

namespace {

constexpr std::string_view kMagic{"mozLz40\0", 8};
constexpr std::size_t kHeaderBytes = kMagic.size() + 4;

// An LZ4 sequence turns one byte of input into at most 255 bytes of output (a match's length
// grows by 255 for each extra length byte).
constexpr std::size_t kMaxExpansion = 255;
constexpr std::size_t kExpansionSlack = 64;

std::uint32_t ReadUint32Le(std::string_view bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  return value;
}

}  // namespace

std::error_code DecodeMozLz4(std::string_view file, std::string& content) noexcept {
  content.clear();
  if (file.size() > kMozLz4MaxFileBytes) return FirefoxError::kFileTooLarge;
  if (file.size() < kMagic.size() || file.substr(0, kMagic.size()) != kMagic) {
    return FirefoxError::kNotMozLz4;
  }
  if (file.size() < kHeaderBytes) return FirefoxError::kBlockTruncated;
  const std::size_t declared = ReadUint32Le(file.substr(kMagic.size(), 4));
  if (declared > kMozLz4MaxContentBytes) return FirefoxError::kDeclaredTooLarge;
  const std::string_view block = file.substr(kHeaderBytes);
  if (declared == 0) {
    // The block of an empty content is a single zero token.
    return block.size() == 1 && block[0] == '\0' ? std::error_code() : FirefoxError::kSizeMismatch;
  }
  // No more is allocated than the block can fill, whatever the header says.
  const std::size_t capacity = std::min(declared, block.size() * kMaxExpansion + kExpansionSlack);

  std::string out;
  try {
    out.resize(capacity);
  } catch (const std::bad_alloc&) {
    return FirefoxError::kOutOfMemory;
  }
  const int source = static_cast<int>(block.size());
  const int room = static_cast<int>(capacity);
  const int decoded = LZ4_decompress_safe(block.data(), out.data(), source, room);
  if (decoded >= 0 && static_cast<std::size_t>(decoded) == declared) {
    content = std::move(out);
    return {};
  }
  if (decoded >= 0) return FirefoxError::kSizeMismatch;  // a complete block, but shorter
  // The whole block did not decode. Decoding only as far as the input goes tells a block that
  // holds more than declared (it fills the declared size) from one cut short (everything up to
  // the cut is sound) and from one that is wrong in itself.
  const int prefix = LZ4_decompress_safe_partial(block.data(), out.data(), source, room, room);
  if (prefix == room && capacity == declared) return FirefoxError::kSizeMismatch;
  if (prefix >= 0) return FirefoxError::kBlockTruncated;
  return FirefoxError::kBlockDamaged;
}

std::string EncodeMozLz4(std::string_view content) {
  if (content.size() > kMozLz4MaxContentBytes) return {};
  const int bound = LZ4_compressBound(static_cast<int>(content.size()));
  std::string file(kMagic);
  const auto size = static_cast<std::uint32_t>(content.size());
  for (std::size_t i = 0; i < 4; ++i) file.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
  file.resize(kHeaderBytes + static_cast<std::size_t>(bound));
  const int written = LZ4_compress_default(content.data(), file.data() + kHeaderBytes,
                                           static_cast<int>(content.size()), bound);
  file.resize(kHeaderBytes + static_cast<std::size_t>(written > 0 ? written : 0));
  return file;
}

}  // namespace pagemind::browsers
