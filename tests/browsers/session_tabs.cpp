// session_tabs: prints what a browser's session file says is open, through Pagemind's own
// readers, so that the end-to-end tests with the real browsers compare windows and tabs rather
// than search the file's bytes for addresses. A Chromium session file (SNSS) or a Firefox one
// (mozLz40: sessionstore.jsonlz4, recovery.jsonlz4), told apart by their first bytes. A native
// Linux program (tests/e2e/lib.sh builds it with the host's g++).
//
//   session_tabs FILE
//
// One line a tab, "WINDOW<TAB>ADDRESS", windows numbered from 1 in the reader's order and tabs
// in their order; popups are left out (the tests open none, and a reopen makes none). A Firefox
// file's run before (kept aside when Firefox started without restoring it) follows, its windows
// numbered "previous:1" and on. Exit
// status: 0 read (a torn tail included: the browser may be writing), 1 nothing could be read,
// 2 bad use or no such file.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "browsers/browser_errors.h"
#include "browsers/chromium_session.h"
#include "browsers/firefox_mozlz4.h"
#include "browsers/firefox_session.h"

namespace {

void Print(const pagemind::browsers::BrowserSession& session, const char* prefix = "") {
  int number = 0;
  for (const auto& window : session.windows) {
    if (window.popup) continue;
    ++number;
    for (const auto& tab : window.tabs) {
      std::printf("%s%d\t%s\n", prefix, number, tab.address.c_str());
    }
  }
}

int Fail(const std::error_code& problem) {
  std::fprintf(stderr, "session_tabs: %s\n", problem.message().c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: session_tabs FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "session_tabs: cannot open %s\n", argv[1]);
    return 2;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (std::string_view(bytes).starts_with(std::string_view("mozLz40\0", 8))) {
    std::string json;
    if (const auto problem = pagemind::browsers::DecodeMozLz4(bytes, json)) return Fail(problem);
    const auto parse = pagemind::browsers::ParseFirefoxSession(json);
    if (parse.error) return Fail(parse.error);
    Print(parse.session.open);
    Print(parse.session.previous, "previous:");
    return 0;
  }
  const auto reading = pagemind::browsers::ReadChromiumSession(bytes);
  if (reading.problem && !pagemind::browsers::KeptWhatWasRead(reading.problem)) {
    return Fail(reading.problem);
  }
  Print(reading.session);
  return 0;
}
