#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pagemind::testing {

// Splits a command line as the Microsoft C runtime and CommandLineToArgvW do, by their
// documented rules, for the lines a start builds (which never hold "" inside quotes, where the
// two differ): the program's name ends at its closing quote, or at a blank when it has none;
// then blanks (space, tab) outside quotes separate arguments, a quote opens or closes a quoted
// part, 2n backslashes before a quote stand for n and leave the quote to do its work, 2n+1
// stand for n and a literal quote, and backslashes anywhere else stand for themselves.
inline std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::size_t at = 0;
  std::string program;
  if (!line.empty() && line[0] == '"') {
    const auto closing = line.find('"', 1);
    program = std::string(line.substr(1, closing - 1));
    at = closing == std::string_view::npos ? line.size() : closing + 1;
  } else {
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') program += line[at++];
  }
  words.push_back(program);
  const auto blank = [&](std::size_t i) { return line[i] == ' ' || line[i] == '\t'; };
  for (;;) {
    while (at < line.size() && blank(at)) ++at;
    if (at == line.size()) return words;
    std::string word;
    bool quoted = false;
    while (at < line.size() && (quoted || !blank(at))) {
      if (line[at] == '\\') {
        std::size_t backslashes = 0;
        while (at < line.size() && line[at] == '\\') ++backslashes, ++at;
        if (at < line.size() && line[at] == '"') {
          word.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) word += line[at++];
        } else {
          word.append(backslashes, '\\');
        }
      } else if (line[at] == '"') {
        quoted = !quoted;
        ++at;
      } else {
        word += line[at++];
      }
    }
    words.push_back(word);
  }
}

}  // namespace pagemind::testing
