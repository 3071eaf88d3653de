#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/ansi_codec.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {
namespace {

TEST(Win32Text, JapaneseAndNonBmpTextSurviveTheRoundTrip) {
  const std::string text = "起動しています… 🌸 Ver:1.00";
  const std::wstring wide = Widen(text);
  EXPECT_EQ(wide, L"起動しています… \U0001F338 Ver:1.00");
  EXPECT_EQ(Narrow(wide), text);
  EXPECT_EQ(Widen(""), L"");
  EXPECT_EQ(Narrow(L""), "");
}

TEST(Win32Text, MalformedInputBecomesReplacementCharacters) {
  // A stray byte, a sequence cut short at the end, and an unpaired surrogate half.
  EXPECT_EQ(Widen("a\xFF"
                  "b"),
            L"a\xFFFD"
            L"b");
  EXPECT_EQ(Widen("x\xE3\x81"), L"x\xFFFD");
  EXPECT_EQ(Narrow(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(Win32Text, EveryLineBreakBecomesCrLf) {
  EXPECT_EQ(WithWindowsLineBreaks(L"一行目\r二行目"), L"一行目\r\n二行目");
  EXPECT_EQ(WithWindowsLineBreaks(L"a\nb"), L"a\r\nb");
  EXPECT_EQ(WithWindowsLineBreaks(L"a\r\nb"), L"a\r\nb");
  EXPECT_EQ(WithWindowsLineBreaks(L"\r\r\n\n\r"), L"\r\n\r\n\r\n\r\n");
  EXPECT_EQ(WithWindowsLineBreaks(L"no break"), L"no break");
}

// The replacement rules depend on a double-byte code page; Wine under ja_JP.UTF-8 and a
// Japanese Windows both use 932.
class Win32AnsiCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::GetACP() != 932) GTEST_SKIP() << "ANSI code page is " << ::GetACP() << ", not 932";
  }
  AnsiCodePageCodec codec;
};

TEST_F(Win32AnsiCodec, UnrepresentableCharactersBecomeOneQuestionMarkEach) {
  EXPECT_EQ(codec.ToAnsi("日本"), "\x93\xFA\x96\x7B");
  // No best fit: "é" must not turn into "e", and a character outside the BMP is one '?'.
  EXPECT_EQ(codec.ToAnsi("caf\xC3\xA9"), "caf?");
  EXPECT_EQ(codec.ToAnsi("a\xF0\x9F\x8C\xB8z"), "a?z");
  EXPECT_EQ(codec.ToAnsi(""), "");
}

TEST_F(Win32AnsiCodec, BrokenDoubleByteSequencesCostOneCharacterEach) {
  // A lead byte at the very end, a lead byte before a line break, a lead byte before a blank.
  EXPECT_EQ(codec.FromAnsi("a\x93"), "a\xEF\xBF\xBD");
  EXPECT_EQ(codec.FromAnsi("\x93\n\x93\xFA"), "\xEF\xBF\xBD\n日");
  EXPECT_EQ(codec.FromAnsi("\x81 x"), "\xEF\xBF\xBD x");
  EXPECT_EQ(codec.FromAnsi("\x93\xFA\x96\x7B"), "日本");
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
