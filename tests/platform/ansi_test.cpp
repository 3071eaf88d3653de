// The ANSI code page codec, against the build's own platform (code page 932).
#include <gtest/gtest.h>

#include "platform/native.h"

namespace pagemind::platform {
namespace {

TEST(AnsiCodec, JapaneseTextTravelsAsShiftJisAndBack) {
  const auto codec = MakeAnsiCodec();
  const std::string utf8 = "http://127.0.0.1/日本語のページ,a=1";
  const std::string sjis = codec->ToAnsi(utf8);
  EXPECT_EQ(sjis.substr(0, 17), "http://127.0.0.1/");
  EXPECT_EQ(sjis.substr(17, 2), "\x93\xfa") << "日 in code page 932";
  EXPECT_EQ(codec->FromAnsi(sjis), utf8);
  EXPECT_EQ(codec->ToAnsi(""), "");
}

TEST(AnsiCodec, BytesInvalidInTheCodePageAreReplacedNotDropped) {
  const auto codec = MakeAnsiCodec();
  // 0x81 is a lead byte; a lead byte followed by 0x20 or cut off at the end is no character.
  const std::string decoded = codec->FromAnsi(std::string("a\x81 b\x81", 5));
  EXPECT_EQ(decoded.front(), 'a');
  EXPECT_NE(decoded.find('b'), std::string::npos);
  EXPECT_GT(decoded.size(), 3U) << "the bad bytes leave a replacement behind";
}

TEST(AnsiCodec, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  const auto codec = MakeAnsiCodec();
  EXPECT_EQ(codec->ToAnsi("a😀b"), "a?b");
}

TEST(AnsiCodec, CanHoldOnlyWhatComesBackAsItself) {
  const auto codec = MakeAnsiCodec();
  for (const char* held :
       {"", "http://127.0.0.1/a?b=1&c=%20", "日本語のページ", "ｶﾀｶﾅ①Ⅰ～", "\x01\x7f"}) {
    EXPECT_TRUE(codec->CanHold(held)) << held;
    EXPECT_EQ(codec->FromAnsi(codec->ToAnsi(held)), held);
  }
  // Korean, an emoji (outside the 16-bit plane), and look-alikes: the yen sign and the wave dash
  // best fit to the backslash and the fullwidth tilde, which would be another address.
  for (const char* lacking : {"한국어", "😀", "¥", "〜", "a\xE3\x81", "\xFF"}) {
    EXPECT_FALSE(codec->CanHold(lacking)) << lacking;
    EXPECT_FALSE(codec->CanHold(std::string("http://127.0.0.1/") + lacking)) << lacking;
  }
}

}  // namespace
}  // namespace pagemind::platform
