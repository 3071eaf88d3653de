#include "pages/page_history.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "browsers/firefox_reader.h"
#include "common/paths.h"
#include "common/utf8.h"
#include "pages/recovery_copy.h"

namespace pagemind::pages {

namespace {
constexpr std::string_view kHeader = kHistoryFileHeader;
constexpr std::string_view kNumber = "number ";
constexpr std::string_view kTime = "time ";
constexpr std::string_view kPage = "page ";
constexpr std::string_view kTitle = "title ";
constexpr std::string_view kSource = "source ";
constexpr std::string_view kWindow = "window ";
constexpr std::string_view kBrowser = "browser ";
constexpr std::string_view kSession = "session ";
constexpr std::string_view kEnded = "ended ";
constexpr std::string_view kReopened = "reopened";
constexpr std::string_view kEnd = "end";
// Room for thirty-one pages at their limits, every byte of an address escaped, with titles.
constexpr std::size_t kHistoryFileLimit = std::size_t{8} * 1024 * 1024;
static_assert(kHistoryFileLimit >=
              128 + kSlotCount * (kPage.size() + 3 * kAddressLimit + kTitle.size() + kTitleLimit +
                                  kSource.size() + 2 * kSourceNameLimit + 7));
// A browser's set is made to fit (see BrowserSetFromSession).
static_assert(kHistoryFileLimit >= kBrowserSetBytesLimit + 1024);

constexpr std::pair<browsers::BrowserEnd, std::string_view> kEndNames[] = {
    {browsers::BrowserEnd::kCrashed, "crash"},
    {browsers::BrowserEnd::kSessionEnded, "session-end"},
    {browsers::BrowserEnd::kNormal, "normal"},
    {browsers::BrowserEnd::kUnknown, "unknown"},
};
// Beyond these a file was not written by the program: a number this high would leave none
// for the sets after it, and a time outside 1970 … 9999 is no moment a calendar shows.
constexpr std::uint64_t kLargestNumber = std::uint64_t{1} << 62;
constexpr std::int64_t kLatestTime = 253'402'300'799;  // 9999-12-31 23:59:59 UTC

// A title is only shown, so its line breaks may become spaces.
std::string OneLine(std::string_view text) {
  std::string line(text);
  std::replace(line.begin(), line.end(), '\r', ' ');
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

// A browser's or profile's name as one field of a source line: no line break, no tab.
std::string SourceField(std::string_view name) {
  std::string field = OneLine(Utf8Prefix(name, kSourceNameLimit));
  std::replace(field.begin(), field.end(), '\t', ' ');
  return field;
}

// "BROWSER<TAB>PROFILE", both named.
bool ParseSource(std::string_view text, PageSource& source) {
  const auto tab = text.find('\t');
  if (tab == std::string_view::npos || tab == 0 || tab + 1 == text.size()) return false;
  source.browser = text.substr(0, tab);
  source.profile = text.substr(tab + 1);
  return source.profile.find('\t') == std::string::npos;
}

// "BROWSER<TAB>PROFILE<TAB>NAME", the name possibly empty.
bool ParseBrowserLine(std::string_view text, BrowserSetOrigin& origin) {
  const auto tab = text.rfind('\t');
  if (tab == std::string_view::npos || !ParseSource(text.substr(0, tab), origin.source)) {
    return false;
  }
  origin.profileName = text.substr(tab + 1);
  return true;
}

bool ParseEnd(std::string_view text, browsers::BrowserEnd& end) {
  for (const auto& [value, name] : kEndNames) {
    if (text == name) {
      end = value;
      return true;
    }
  }
  return false;
}

std::string_view EndName(browsers::BrowserEnd end) {
  for (const auto& [value, name] : kEndNames) {
    if (value == end) return name;
  }
  return "unknown";
}

template <typename Number>
bool ParseNumber(std::string_view line, std::string_view key, Number& number) {
  if (!line.starts_with(key)) return false;
  const auto text = line.substr(key.size());
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string> SortedAddresses(const PageSet& set) {
  std::vector<std::string> addresses;
  for (const auto& page : set.pages) addresses.push_back(page.address);
  std::sort(addresses.begin(), addresses.end());
  return addresses;
}
}  // namespace

std::filesystem::path HistoryFilePath(const std::filesystem::path& programFolder, int k) {
  char name[16];
  std::snprintf(name, sizeof(name), "set%02d.pmh", k);
  return LogFolderPath(programFolder) / name;
}

std::string HistoryFileBytes(const PageSet& set, std::uint64_t number) {
  std::string bytes(kHeader);
  bytes += "\r\n";
  bytes += std::string(kNumber) + std::to_string(number) + "\r\n";
  bytes += std::string(kTime) + std::to_string(set.time) + "\r\n";
  if (set.browser) {
    const auto& origin = *set.browser;
    bytes += std::string(kBrowser) + SourceField(origin.source.browser) + '\t' +
             SourceField(origin.source.profile) + '\t' + SourceField(origin.profileName) + "\r\n";
    bytes += std::string(kSession) + std::to_string(origin.session) + "\r\n";
    bytes += std::string(kEnded) + std::string(EndName(origin.end)) + "\r\n";
    if (origin.reopened) bytes += std::string(kReopened) + "\r\n";
  }
  for (const auto& page : set.pages) {
    bytes += std::string(kPage) + EscapedLineBreaks(page.address) + "\r\n";
    if (!page.title.empty()) bytes += std::string(kTitle) + OneLine(page.title) + "\r\n";
    if (!page.source.isShellWindow()) {
      bytes += std::string(kSource) + SourceField(page.source.browser) + '\t' +
               SourceField(page.source.profile) + "\r\n";
    }
    if (set.browser) bytes += std::string(kWindow) + std::to_string(page.window) + "\r\n";
  }
  bytes += kEnd;
  bytes += "\r\n";
  return bytes;
}

HistoryFileContents ParseHistoryFile(std::string_view bytes) {
  HistoryFileContents contents;
  bool complete = false;
  const auto lines = CrLfLines(bytes, complete);
  const auto damaged = [] {
    HistoryFileContents nothing;
    nothing.problem = platform::FileError::kDamaged;
    return nothing;
  };
  if (!complete || lines.size() < 4 || lines[0] != kHeader || lines.back() != kEnd ||
      !ParseNumber(lines[1], kNumber, contents.number) ||
      !ParseNumber(lines[2], kTime, contents.set.time) || contents.number == 0 ||
      contents.number > kLargestNumber || contents.set.time < 0 ||
      contents.set.time > kLatestTime) {
    return damaged();
  }
  std::size_t i = 3;
  if (lines[i].starts_with(kBrowser)) {
    BrowserSetOrigin origin;
    if (lines.size() < 7 || !ParseBrowserLine(lines[3].substr(kBrowser.size()), origin) ||
        !ParseNumber(lines[4], kSession, origin.session) || origin.session < 0 ||
        !lines[5].starts_with(kEnded) || !ParseEnd(lines[5].substr(kEnded.size()), origin.end)) {
      return damaged();
    }
    i = 6;
    origin.reopened = lines[i] == kReopened;
    if (origin.reopened) ++i;
    contents.set.browser = std::move(origin);
  }
  const std::size_t pageLimit = contents.set.browser ? kBrowserSetPageLimit : kSlotCount;
  auto& pages = contents.set.pages;
  const bool browserSet = contents.set.browser.has_value();
  // The lines after a page are its own until the next page; in a browser's set its window line
  // ends it.
  bool pageOpen = false;
  for (; i + 1 < lines.size(); ++i) {
    const auto line = lines[i];
    if (line.starts_with(kPage) && line.size() > kPage.size() && pages.size() < pageLimit &&
        !(browserSet && pageOpen)) {
      pages.push_back({std::string(line.substr(kPage.size())), {}});
      pageOpen = true;
    } else if (line.starts_with(kTitle) && pageOpen && pages.back().title.empty() &&
               pages.back().source.isShellWindow()) {
      pages.back().title = line.substr(kTitle.size());
    } else if (line.starts_with(kWindow) && browserSet && pageOpen) {
      if (!ParseNumber(line, kWindow, pages.back().window)) return damaged();
      pageOpen = false;
    } else if (!line.starts_with(kSource) || !pageOpen || !pages.back().source.isShellWindow() ||
               !ParseSource(line.substr(kSource.size()), pages.back().source)) {
      return damaged();
    }
  }
  if (browserSet && pageOpen) return damaged();
  return contents;
}

bool SamePages(const PageSet& a, const PageSet& b) {
  return SortedAddresses(a) == SortedAddresses(b);
}

PageSource SetSource(const PageSet& set) {
  return set.browser ? set.browser->source : PageSource{};
}

FileProblems PageHistory::Load() {
  FileProblems problems;
  kept_.clear();
  unusableFiles_.reset();
  for (int k = 0; k < kHistoryFileCount; ++k) {
    const auto path = HistoryFilePath(folder_, k);
    std::error_code error;
    if (files_.Probe(path, error) == platform::PathKind::kNothing && !error) continue;
    std::string bytes;
    if (!error) error = files_.ReadWholeFile(path, kHistoryFileLimit, bytes);
    HistoryFileContents contents;
    if (!error) contents = ParseHistoryFile(bytes);
    if (!error) error = contents.problem;
    if (error) {
      unusableFiles_.set(static_cast<std::size_t>(k));
      problems.push_back(
          ReadProblem(files_, path, error, MemoryFile::kHistoryFile, kHistoryFileLimit));
      continue;
    }
    lastNumber_ = std::max(lastNumber_, contents.number);
    kept_.push_back({std::move(contents.set), contents.number, k});
  }
  std::sort(kept_.begin(), kept_.end(),
            [](const Kept& a, const Kept& b) { return a.number > b.number; });
  return problems;
}

int PageHistory::FileForNewSet(const PageSource& source) const {
  const auto setsInFiles = [this](const PageSource& of) {
    return std::count_if(kept_.begin(), kept_.end(), [&of](const Kept& kept) {
      return kept.file >= 0 && SetSource(kept.set) == of;
    });
  };
  // A source with all its sets in files gives up its oldest one's.
  if (setsInFiles(source) >= kHistoryLength) {
    for (auto kept = kept_.rbegin(); kept != kept_.rend(); ++kept) {
      if (kept->file >= 0 && SetSource(kept->set) == source) return kept->file;
    }
  }
  for (int k = 0; k < kHistoryFileCount; ++k) {
    const bool taken =
        std::any_of(kept_.begin(), kept_.end(), [k](const Kept& kept) { return kept.file == k; });
    if (!taken && !unusableFiles_.test(static_cast<std::size_t>(k))) return k;
  }
  // Every usable file holds a set: the source with the most of them gives up its oldest one's
  // file, so that a profile's only set (its last crash, say) does not give way to the many
  // ends of the others. Among sources as large, the one with the oldest set gives.
  int file = -1;
  std::ptrdiff_t most = 0;
  for (auto kept = kept_.rbegin(); kept != kept_.rend(); ++kept) {
    if (kept->file < 0) continue;
    if (const auto sets = setsInFiles(SetSource(kept->set)); sets > most) {
      most = sets;
      file = kept->file;
    }
  }
  return file;
}

std::error_code PageHistory::Write(const Kept& kept, int file) {
  return files_.ReplaceFileContents(HistoryFilePath(folder_, file),
                                    HistoryFileBytes(kept.set, kept.number));
}

FileProblems PageHistory::Add(PageSet set) {
  if (set.pages.empty()) return {};
  const auto source = SetSource(set);
  // A session kept while its browser ran (from the recovery copy): the end of that run, read
  // knowing how it ended, takes its place. Firefox keeps writing while it runs, so there its
  // later end counts too; in the Chromium family one session is one file.
  const auto unknownEnd = std::find_if(kept_.begin(), kept_.end(), [&set](const Kept& kept) {
    const bool later = set.browser && set.browser->source.browser == browsers::kFirefoxName;
    return set.browser && kept.set.browser && kept.set.browser->source == set.browser->source &&
           (kept.set.browser->session == set.browser->session ||
            (later && kept.set.browser->session < set.browser->session)) &&
           kept.set.browser->end == browsers::BrowserEnd::kUnknown &&
           set.browser->end != browsers::BrowserEnd::kUnknown;
  });
  if (unknownEnd != kept_.end()) {
    unknownEnd->set = std::move(set);
    if (unknownEnd->file < 0) return {};
    if (auto error = Write(*unknownEnd, unknownEnd->file)) {
      return {{HistoryFilePath(folder_, unknownEnd->file), error, -1, files_.DescribeError(error)}};
    }
    return {};
  }
  const auto newest = std::find_if(kept_.begin(), kept_.end(), [&source](const Kept& kept) {
    return SetSource(kept.set) == source;
  });
  if (set.browser ? set.browser->session <= LastSession(source)
                  : newest != kept_.end() && SamePages(newest->set, set)) {
    return {};
  }
  const int file = FileForNewSet(source);
  Kept added{std::move(set), ++lastNumber_, -1};
  FileProblems problems;
  if (file >= 0) {
    if (auto error = Write(added, file)) {
      // The file still holds the set it had, which stays kept.
      problems.push_back({HistoryFilePath(folder_, file), error, -1, files_.DescribeError(error)});
    } else {
      std::erase_if(kept_, [file](const Kept& kept) { return kept.file == file; });
      added.file = file;
    }
  }
  kept_.insert(kept_.begin(), std::move(added));
  int ofSource = 0;
  std::erase_if(kept_, [&](const Kept& kept) {
    return SetSource(kept.set) == source && ++ofSource > kHistoryLength;
  });
  return problems;
}

FileProblems PageHistory::MarkReopened(const PageSource& source, std::int64_t session) {
  for (auto& kept : kept_) {
    if (!kept.set.browser || kept.set.browser->source != source ||
        kept.set.browser->session != session || kept.set.browser->reopened) {
      continue;
    }
    kept.set.browser->reopened = true;
    if (kept.file < 0) return {};
    if (auto error = Write(kept, kept.file)) {
      // Opened once in this run all the same; the next start would offer it again.
      return {{HistoryFilePath(folder_, kept.file), error, -1, files_.DescribeError(error)}};
    }
  }
  return {};
}

std::int64_t PageHistory::LastSession(const PageSource& source, bool endKnown) const {
  std::int64_t last = 0;
  for (const auto& kept : kept_) {
    if (kept.set.browser && kept.set.browser->source == source &&
        !(endKnown && kept.set.browser->end == browsers::BrowserEnd::kUnknown)) {
      last = std::max(last, kept.set.browser->session);
    }
  }
  return last;
}

std::vector<PageSet> PageHistory::sets() const {
  std::vector<PageSet> sets;
  for (const auto& kept : kept_) sets.push_back(kept.set);
  return sets;
}

}  // namespace pagemind::pages
