// The command line a start builds, as a pure function: every argument must come back out of
// the line as it went in, split by the documented rules (natively) and, in the Windows build,
// by the system's own CommandLineToArgvW as well.
#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/argv_split.h"
#include "platform/programs.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

#include "platform/win32/text.h"
#endif

namespace pagemind::platform {
namespace {

using testing::SplitCommandLine;

const std::string kProgram = "C:\\Program Files\\Browser\\browser.exe";

std::string Line(const std::vector<std::string>& arguments) {
  std::string line;
  EXPECT_FALSE(BuildCommandLine(kProgram, arguments, line));
  return line;
}

// The line split back into words, program first: by the documented rules, and in the Windows
// build also by the system, which must agree.
std::vector<std::string> Split(const std::string& line) {
  auto words = SplitCommandLine(line);
#ifdef _WIN32
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(win32::Widen(line).c_str(), &count);
  EXPECT_NE(argv, nullptr);
  std::vector<std::string> system;
  for (int i = 0; i < count; ++i) system.push_back(win32::Narrow(argv[i]));
  ::LocalFree(argv);
  EXPECT_EQ(system, words) << "the system splits " << line << " otherwise";
#endif
  return words;
}

TEST(CommandLine, EveryArgumentOfBlanksQuotesAndBackslashesComesBackAsItWent) {
  // Every text of up to five characters from the ones the rules treat specially, between two
  // neighbours that must stay whole: 3906 texts.
  constexpr std::array<char, 5> kAlphabet{'a', ' ', '\t', '"', '\\'};
  std::vector<std::string> texts{""};
  for (std::size_t from = 0; texts[from].size() < 5; ++from) {
    for (const char c : kAlphabet) texts.push_back(texts[from] + c);
  }
  ASSERT_EQ(texts.size(), 3906U);
  int wrong = 0;
  for (const std::string& text : texts) {
    const std::vector<std::string> arguments{"\\", text, "b\\"};
    std::vector<std::string> expected{kProgram};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    if (Split(Line(arguments)) != expected && ++wrong < 5) {
      ADD_FAILURE() << "[" << text << "] travels as " << Line(arguments);
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(CommandLine, QuotesOnlyWhatNeedsThemAndEscapesAsLittleAsItCan) {
  EXPECT_EQ(Line({}), "\"" + kProgram + "\"");
  EXPECT_EQ(Line({"--profile-directory=Profile 1", "--new-window", "--",
                  "https://example.test/a?b=c&d=%PATH%", "file:///C:/x%20y/"}),
            "\"" + kProgram +
                "\" \"--profile-directory=Profile 1\" --new-window -- "
                "https://example.test/a?b=c&d=%PATH% file:///C:/x%20y/");
  EXPECT_EQ(Line({"", "C:\\dir\\", "C:\\my dir\\", "say \"hi\"", "a\\\\\"b"}),
            "\"" + kProgram + "\" \"\" C:\\dir\\ \"C:\\my dir\\\\\" \"say \\\"hi\\\"\" " +
                "\"a\\\\\\\\\\\"b\"");
  EXPECT_EQ(Line({"-P", "既定 プロファイル", "-url", "http://127.0.0.1/日本語"}),
            "\"" + kProgram + "\" -P \"既定 プロファイル\" -url http://127.0.0.1/日本語");
  const std::vector<std::string> blanks{"a\nb", "a\vb", " lead", "trail\t"};
  auto words = Split(Line(blanks));
  words.erase(words.begin());
  EXPECT_EQ(words, blanks) << "a line break or vertical tab is quoted too";
}

TEST(CommandLine, ANulCannotTravelAndNothingIsBuilt) {
  std::string line = "old";
  EXPECT_EQ(BuildCommandLine(kProgram, std::vector<std::string>{"a", std::string("b\0c", 3)}, line),
            StartError::kNulInArgument);
  EXPECT_TRUE(line.empty());
}

TEST(CommandLine, TheLimitCountsUtf16UnitsOfTheWholeLine) {
  const std::string head = "\"" + kProgram + "\" ";
  std::string line;
  std::string fits(kCommandLineLimit - head.size(), 'a');
  ASSERT_FALSE(BuildCommandLine(kProgram, std::vector<std::string>{fits}, line));
  EXPECT_EQ(line.size(), kCommandLineLimit);
  EXPECT_EQ(BuildCommandLine(kProgram, std::vector<std::string>{fits + "a"}, line),
            StartError::kCommandLineTooLong);
  EXPECT_TRUE(line.empty());

  // あ is three bytes of UTF-8 but one unit; 𠮷 (outside the Basic Multilingual Plane) is four
  // bytes and two units.
  std::string japanese;
  for (std::size_t i = 0; i < fits.size(); ++i) japanese += "あ";
  EXPECT_FALSE(BuildCommandLine(kProgram, std::vector<std::string>{japanese}, line));
  EXPECT_EQ(BuildCommandLine(kProgram, std::vector<std::string>{japanese + "あ"}, line),
            StartError::kCommandLineTooLong);
  std::string astral;
  for (std::size_t i = 0; i < fits.size() / 2; ++i) astral += "𠮷";
  if (fits.size() % 2 == 1) astral += "a";
  EXPECT_FALSE(BuildCommandLine(kProgram, std::vector<std::string>{astral}, line));
  EXPECT_EQ(BuildCommandLine(kProgram, std::vector<std::string>{astral + "a"}, line),
            StartError::kCommandLineTooLong);
  EXPECT_EQ(Utf16Length("a\xc3\xa9あ𠮷"), 1U + 1 + 1 + 2);
}

TEST(CommandLine, ErrorsSayWhatWentWrongInWords) {
  const std::error_code tooLong = StartError::kCommandLineTooLong;
  const std::error_code nul = StartError::kNulInArgument;
  EXPECT_EQ(tooLong.category(), StartErrorCategory());
  EXPECT_NE(tooLong.message().find("32767"), std::string::npos);
  EXPECT_NE(nul.message(), tooLong.message());
  EXPECT_NE(tooLong, std::error_code(1, std::system_category()));
}

}  // namespace
}  // namespace pagemind::platform
