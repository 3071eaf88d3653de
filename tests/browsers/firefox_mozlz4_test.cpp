#include "browsers/firefox_mozlz4.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "browsers/firefox_error.h"

namespace pagemind::browsers {
namespace {

std::string SessionLikeText(std::size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i) {
    text += R"({"url":"http://127.0.0.1/page)" + std::to_string(i) + R"(","title":"ページ"},)";
  }
  text.resize(size);
  return text;
}

// Bytes LZ4 cannot shorten: the block is one long run of literals.
std::string Incompressible(std::size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

void SetDeclaredSize(std::string& file, std::uint32_t size) {
  for (std::size_t i = 0; i < 4; ++i) file[8 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
}

std::error_code Decode(std::string_view file, std::string* content = nullptr) {
  std::string out = "left from before";
  const std::error_code error = DecodeMozLz4(file, out);
  if (error) {
    EXPECT_TRUE(out.empty()) << "a failed decode keeps nothing";
  }
  if (content) *content = out;
  return error;
}

TEST(FirefoxMozLz4, DecodesWhatFirefoxWrites) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{100000}}) {
    const std::string text = SessionLikeText(size);
    const std::string file = EncodeMozLz4(text);
    ASSERT_EQ(file.substr(0, 8), std::string("mozLz40\0", 8));
    std::string content;
    EXPECT_FALSE(Decode(file, &content)) << size;
    EXPECT_EQ(content, text);
  }
}

TEST(FirefoxMozLz4, RefusesWhatIsNotMozLz40) {
  EXPECT_EQ(Decode(""), FirefoxError::kNotMozLz4);
  EXPECT_EQ(Decode("mozLz4"), FirefoxError::kNotMozLz4);
  EXPECT_EQ(Decode(R"({"windows":[]})"), FirefoxError::kNotMozLz4);
  std::string otherVersion = EncodeMozLz4("{}");
  otherVersion[6] = '1';  // "mozLz41": not the version Firefox writes
  EXPECT_EQ(Decode(otherVersion), FirefoxError::kNotMozLz4);
  // The magic alone, or with part of the size: a file cut short.
  EXPECT_EQ(Decode(std::string("mozLz40\0", 8)), FirefoxError::kBlockTruncated);
  EXPECT_EQ(Decode(std::string("mozLz40\0\x10\x00", 10)), FirefoxError::kBlockTruncated);
}

TEST(FirefoxMozLz4, RefusesSizesBeyondTheBounds) {
  std::string file = EncodeMozLz4("{}");
  SetDeclaredSize(file, static_cast<std::uint32_t>(kMozLz4MaxContentBytes + 1));
  EXPECT_EQ(Decode(file), FirefoxError::kDeclaredTooLarge);
  SetDeclaredSize(file, 0xFFFFFFFFU);
  EXPECT_EQ(Decode(file), FirefoxError::kDeclaredTooLarge);

  std::string huge = EncodeMozLz4("{}");
  huge.resize(kMozLz4MaxFileBytes + 1, '\0');
  EXPECT_EQ(Decode(huge), FirefoxError::kFileTooLarge);
}

TEST(FirefoxMozLz4, TellsASizeThatLies) {
  const std::string text = SessionLikeText(5000);
  std::string file = EncodeMozLz4(text);
  SetDeclaredSize(file, static_cast<std::uint32_t>(text.size() + 1));
  EXPECT_EQ(Decode(file), FirefoxError::kSizeMismatch) << "declared one byte more";
  SetDeclaredSize(file, static_cast<std::uint32_t>(text.size() - 1));
  EXPECT_EQ(Decode(file), FirefoxError::kSizeMismatch) << "declared one byte less";
  // More than any block of this length can hold: told without allocating the declared size.
  std::string tiny = EncodeMozLz4("{}");
  SetDeclaredSize(tiny, 200U << 20);
  EXPECT_EQ(Decode(tiny), FirefoxError::kSizeMismatch);
  // An empty content is one zero token; anything else there is not empty.
  std::string empty = EncodeMozLz4("");
  empty += "x";
  EXPECT_EQ(Decode(empty), FirefoxError::kSizeMismatch);
}

TEST(FirefoxMozLz4, TellsATruncatedBlock) {
  const std::string literals = EncodeMozLz4(Incompressible(4000));
  for (const std::size_t keep : {std::size_t{100}, literals.size() / 2, literals.size() - 1}) {
    EXPECT_EQ(Decode(std::string_view(literals).substr(0, keep)), FirefoxError::kBlockTruncated)
        << "cut to " << keep << " bytes";
  }
  // A compressed block cut anywhere fails and keeps nothing: as truncated, as damaged when the
  // cut falls in a match's fields, or as a size mismatch when it falls where a block may end.
  const std::string compressed = EncodeMozLz4(SessionLikeText(20000));
  int truncated = 0;
  for (std::size_t keep = 13; keep < compressed.size(); keep += 97) {
    const std::error_code error = Decode(std::string_view(compressed).substr(0, keep));
    EXPECT_TRUE(error == FirefoxError::kBlockTruncated || error == FirefoxError::kBlockDamaged ||
                error == FirefoxError::kSizeMismatch)
        << keep << ": " << error.message();
    truncated += error == FirefoxError::kBlockTruncated ? 1 : 0;
  }
  EXPECT_GT(truncated, 0);
}

TEST(FirefoxMozLz4, TellsADamagedBlock) {
  // A match that refers to bytes before the start of the content.
  std::string file("mozLz40\0\x0a\x00\x00\x00", 12);
  file += std::string(
      "\x10"
      "a"
      "\x05\x00"
      "\x50"
      "bcdef",
      9);
  EXPECT_EQ(Decode(file), FirefoxError::kBlockDamaged);
  // Every single damaged byte either fails cleanly or decodes to some content of the declared
  // size, never more: ASan watches the decoder's writes.
  const std::string good = EncodeMozLz4(SessionLikeText(3000));
  for (std::size_t at = 12; at < good.size(); at += 7) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x5A);
    std::string content;
    if (!Decode(bad, &content)) {
      EXPECT_EQ(content.size(), 3000U);
    }
  }
}

TEST(FirefoxMozLz4, ErrorsHaveTheirOwnCategoryAndMessages) {
  const std::error_code truncated = FirefoxError::kBlockTruncated;
  const std::error_code damaged = FirefoxError::kBlockDamaged;
  EXPECT_STREQ(truncated.category().name(), "pagemind.firefox");
  EXPECT_NE(truncated.message(), damaged.message());
}

}  // namespace
}  // namespace pagemind::browsers
