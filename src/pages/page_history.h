#pragma once

#include <bitset>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "browsers/browser_session.h"
#include "pages/page_slots.h"
#include "platform/files.h"

namespace pagemind::pages {

// Where a page was seen: a window of the shell's collection, or a browser's own session file,
// named by the browser and the profile folder it keeps the file in. The reopen opens a page in
// the browser it came from; the history keeps where each page came from.
struct PageSource {
  std::string browser;  // "" for the shell's collection
  std::string profile;  // the browser's profile folder; "" for the shell's collection
  [[nodiscard]] bool isShellWindow() const { return browser.empty(); }
  bool operator==(const PageSource&) const = default;
};
// The most of a browser's or profile's name the history keeps, in bytes of UTF-8.
inline constexpr std::size_t kSourceNameLimit = 255;

// A remembered page with the title its window showed ("" where none was seen) and where it
// was seen: for a page of a browser's session, also which of the session's windows held it
// (0 for the first), so that each window opens again as one.
struct RememberedPage {
  std::string address;
  std::string title;
  PageSource source{};
  std::uint32_t window = 0;
  bool operator==(const RememberedPage&) const = default;
};

// A set read from a browser's own session file: whose it is, which of its sessions, how that
// session ended, and whether the one-step reopen has opened it already.
struct BrowserSetOrigin {
  PageSource source;
  std::string profileName;  // as the browser shows the profile; "" when it names none
  // Orders a profile's sessions: the session file's own time (Chromium's microseconds since
  // 1601), so that one session is kept once.
  std::int64_t session = 0;
  browsers::BrowserEnd end = browsers::BrowserEnd::kUnknown;
  bool reopened = false;
  bool operator==(const BrowserSetOrigin&) const = default;
};

// Pages that went together, and when: in a crash of the browser, at an end of the program, or
// at the end of a browser's session.
struct PageSet {
  std::int64_t time = 0;  // seconds since 1970 UTC
  std::vector<RememberedPage> pages{};
  std::optional<BrowserSetOrigin> browser{};  // none for the sets of the shell's windows
  bool operator==(const PageSet&) const = default;
};

// The sets the history keeps of each source: the shell's windows, and each browser profile,
// so that ordinary ends of one browser do not push out another's crash.
inline constexpr int kHistoryLength = 10;
// The most history files: ten sources of ten sets. Beyond it the source with the most sets
// gives up its oldest.
inline constexpr int kHistoryFileCount = 100;
// The most pages a set of a browser's session holds (a set of the shell's windows holds at
// most the slots).
inline constexpr std::size_t kBrowserSetPageLimit = 1000;
// The most bytes the pages of a browser session's set take in its history file.
inline constexpr std::size_t kBrowserSetBytesLimit = std::size_t{7} * 1024 * 1024;

// Log\setNN.pmh beside the program, NN = 00 … 99: one file per set, so that keeping a new set
// replaces one file in one step and no other file is touched.
std::filesystem::path HistoryFilePath(const std::filesystem::path& programFolder, int k);

// The first line of a history file.
inline constexpr std::string_view kHistoryFileHeader = "Pagemind page set 1";

// UTF-8, CR LF: a first line naming the format, the set's number (which orders the files) and
// time; for a set of a browser's session the lines "browser BROWSER<TAB>PROFILE<TAB>NAME",
// "session N", "ended crash|session-end|normal|unknown" and, once opened again, "reopened";
// a line "page …" per address, each followed by "title …" where a title was seen, by
// "source BROWSER<TAB>PROFILE" for a page of a browser's own session file (none for a window of
// the shell's collection) and by "window N" in a set of a browser's session; and a last line
// "end". A file that breaks any of this is damaged as a whole.
std::string HistoryFileBytes(const PageSet& set, std::uint64_t number);
struct HistoryFileContents {
  PageSet set;
  std::uint64_t number = 0;
  std::error_code problem;  // kDamaged or none
};
HistoryFileContents ParseHistoryFile(std::string_view bytes);

// True when both hold the same addresses, in whatever order: a set found again after a restart
// of the browser or of the program is the same set.
bool SamePages(const PageSet& a, const PageSet& b);

// The source a set is counted under: its browser profile's, or the shell's.
PageSource SetSource(const PageSet& set);

// The last ten sets of each source, newest first, in the history files of the Log folder.
class PageHistory {
 public:
  PageHistory(platform::FileSystem& files, std::filesystem::path programFolder)
      : files_(files), folder_(std::move(programFolder)) {}

  // Reads the history files. A damaged or unreadable file is reported and skipped, and it stays
  // on disk as it is: the sets go to the other files while it is there.
  FileProblems Load();
  // Keeps `set` as the newest, unless it holds no page, the same pages as the newest set of
  // its source, or a browser session already kept; a source that has ten sets gives its oldest
  // one's file to it, and when every file is taken the largest source's oldest does. A set whose
  // file cannot be written is still kept for this run, and the failure is returned.
  FileProblems Add(PageSet set);
  // Notes that the set of that browser session has been opened again, in its file too.
  FileProblems MarkReopened(const PageSource& source, std::int64_t session);

  // Newest first.
  [[nodiscard]] std::vector<PageSet> sets() const;
  // The newest session kept from a browser profile; 0 when none is. `endKnown`: only of the
  // sessions whose end is known (a session kept while its browser ran is still to be read).
  [[nodiscard]] std::int64_t LastSession(const PageSource& source, bool endKnown = false) const;

 private:
  struct Kept {
    PageSet set;
    std::uint64_t number = 0;
    int file = -1;  // -1: kept in memory only
  };
  [[nodiscard]] int FileForNewSet(const PageSource& source) const;
  std::error_code Write(const Kept& kept, int file);

  platform::FileSystem& files_;
  std::filesystem::path folder_;
  std::vector<Kept> kept_;  // newest first
  std::bitset<kHistoryFileCount> unusableFiles_;
  std::uint64_t lastNumber_ = 0;
};

}  // namespace pagemind::pages
