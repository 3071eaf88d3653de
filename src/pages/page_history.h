#pragma once

#include <bitset>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

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
// was seen.
struct RememberedPage {
  std::string address;
  std::string title;
  PageSource source{};
  bool operator==(const RememberedPage&) const = default;
};

// Pages that went together, and when: in a crash of the browser, or at an end of the program.
struct PageSet {
  std::int64_t time = 0;  // seconds since 1970 UTC
  std::vector<RememberedPage> pages;
};

inline constexpr int kHistoryLength = 10;

// Log\setNN.pmh beside the program, NN = 00 … 09: one file per set, so that keeping a new set
// replaces one file in one step and no other file is touched.
std::filesystem::path HistoryFilePath(const std::filesystem::path& programFolder, int k);

// UTF-8, CR LF: a first line naming the format, the set's number (which orders the files) and
// time, a line "page …" per address, each followed by "title …" where a title was seen and by
// "source BROWSER<TAB>PROFILE" for a page of a browser's own session file (none for a window of
// the shell's collection), and a last line "end". A file that breaks any of this is damaged as
// a whole.
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

// The last ten sets, newest first, in the history files of the Log folder.
class PageHistory {
 public:
  PageHistory(platform::FileSystem& files, std::filesystem::path programFolder)
      : files_(files), folder_(std::move(programFolder)) {}

  // Reads the history files. A damaged or unreadable file is reported and skipped, and it stays
  // on disk as it is: the sets go to the other files while it is there.
  FileProblems Load();
  // Keeps `set` as the newest, unless it holds no page or the same pages as the newest; when
  // every file is taken the oldest set's file takes it. A set whose file cannot be written is
  // still kept for this run, and the failure is returned.
  FileProblems Add(PageSet set);

  // Newest first.
  [[nodiscard]] std::vector<PageSet> sets() const;

 private:
  struct Kept {
    PageSet set;
    std::uint64_t number = 0;
    int file = -1;  // -1: kept in memory only
  };
  [[nodiscard]] int FileForNewSet() const;

  platform::FileSystem& files_;
  std::filesystem::path folder_;
  std::vector<Kept> kept_;  // newest first
  std::bitset<kHistoryLength> unusableFiles_;
  std::uint64_t lastNumber_ = 0;
};

}  // namespace pagemind::pages
