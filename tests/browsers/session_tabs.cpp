// session_tabs: prints what a Chromium session file says is open, through Pagemind's own reader,
// so that the end-to-end tests with the real browser compare windows and tabs rather than
// search the file's bytes for addresses. A native Linux program (tests/e2e/chromium.sh builds
// it with the host's g++).
//
//   session_tabs FILE
//
// One line a tab, "WINDOW<TAB>ADDRESS", windows numbered from 1 in the reader's order and tabs
// in their order; popups are left out (the tests open none, and a reopen makes none). Exit
// status: 0 read (a torn tail included: the browser may be writing), 1 nothing could be read,
// 2 bad use or no such file.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "browsers/browser_errors.h"
#include "browsers/chromium_session.h"

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
  const auto reading = pagemind::browsers::ReadChromiumSession(bytes);
  if (reading.problem && !pagemind::browsers::KeptWhatWasRead(reading.problem)) {
    std::fprintf(stderr, "session_tabs: %s\n", reading.problem.message().c_str());
    return 1;
  }
  int number = 0;
  for (const auto& window : reading.session.windows) {
    if (window.popup) continue;
    ++number;
    for (const auto& tab : window.tabs) std::printf("%d\t%s\n", number, tab.address.c_str());
  }
  return 0;
}
