#include "platform/command_line.h"

#include <algorithm>

#include "platform/programs.h"

namespace pagemind::platform {

namespace {

class StartErrorCategoryImpl final : public std::error_category {
 public:
  const char* name() const noexcept override { return "pagemind.start"; }
  std::string message(int value) const override {
    switch (static_cast<StartError>(value)) {
      case StartError::kCommandLineTooLong:
        return "渡すアドレスが長すぎるため、1 回では開けません（コマンド ラインは 32767 "
               "文字まで）。";
      case StartError::kNulInArgument:
        return "渡すアドレスに NUL 文字が含まれているため、プログラムに渡せません。";
    }
    return "プログラムを起動できませんでした。";
  }
};

// Blanks split arguments; the C runtime splits on space and tab, and some parsers on the other
// blanks too, so those are quoted as well.
bool NeedsQuotes(std::string_view argument) {
  return argument.empty() || argument.find_first_of(" \t\n\v\"") != std::string_view::npos;
}

void AppendQuoted(std::string_view argument, std::string& line) {
  line += '"';
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count as escapes only before a quote: there they double, and one more
    // escapes the quote itself. Elsewhere they stand for themselves.
    line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  // Before the closing quote too.
  line.append(backslashes * 2, '\\');
  line += '"';
}

}  // namespace

const std::error_category& StartErrorCategory() {
  static const StartErrorCategoryImpl category;
  return category;
}

std::error_code make_error_code(StartError e) {
  return {static_cast<int>(e), StartErrorCategory()};
}

std::error_code BuildCommandLine(std::string_view program, std::span<const std::string> arguments,
                                 std::string& line) {
  line.clear();
  const bool nul = std::any_of(arguments.begin(), arguments.end(), [](const std::string& a) {
    return a.find('\0') != std::string::npos;
  });
  if (nul || program.find('\0') != std::string_view::npos) return StartError::kNulInArgument;
  // The program's own name is split by simpler rules (no escapes): quotes alone delimit it.
  line += '"';
  line += program;
  line += '"';
  for (const std::string& argument : arguments) {
    line += ' ';
    if (NeedsQuotes(argument)) {
      AppendQuoted(argument, line);
    } else {
      line += argument;
    }
  }
  if (Utf16Length(line) > kCommandLineLimit) {
    line.clear();
    return StartError::kCommandLineTooLong;
  }
  return {};
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    // One unit per character, counted at its first byte; four-byte characters lie outside the
    // Basic Multilingual Plane and take a surrogate pair.
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

}  // namespace pagemind::platform
