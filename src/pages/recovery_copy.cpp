#include "pages/recovery_copy.h"

#include "common/paths.h"

namespace pagemind::pages {

namespace {
constexpr std::string_view kHeader = "Pagemind recovery 1";
constexpr std::string_view kHeaderWithSets = "Pagemind recovery 2";
constexpr std::string_view kPage = "page ";
constexpr std::string_view kEnd = "end";

// The second format: "page" lines, then the sets, each as its history file's lines. Lines that
// run out before the last one were cut; any other line out of place is damage.
RecoveryContents ParseWithSets(const std::vector<std::string_view>& lines, bool complete) {
  RecoveryContents contents;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto line = lines[i];
    if (line == kEnd && i + 1 == lines.size()) {
      if (complete) return contents;
      break;
    }
    if (line.starts_with(kPage) && contents.browserSets.empty()) {
      // As in the first format, a line without an address holds no page.
      if (contents.pages.size() < kSlotCount && line.size() > kPage.size()) {
        contents.pages.emplace_back(line.substr(kPage.size()));
      }
      continue;
    }
    if (line != kHistoryFileHeader) {
      contents.problem = platform::FileError::kDamaged;
      return contents;
    }
    std::string set;
    for (; i < lines.size() && (set.empty() || lines[i - 1] != kEnd); ++i) {
      set.append(lines[i]).append("\r\n");
    }
    if (lines[i - 1] != kEnd) break;
    --i;
    auto parsed = ParseHistoryFile(set);
    if (parsed.problem || !parsed.set.browser) {
      contents.problem = platform::FileError::kDamaged;
      return contents;
    }
    contents.browserSets.push_back(std::move(parsed.set));
  }
  contents.problem = platform::FileError::kTruncated;
  return contents;
}
}  // namespace

std::string EscapedLineBreaks(std::string_view address) {
  std::string text;
  for (const char c : address) {
    if (c == '\r') {
      text += "%0D";
    } else if (c == '\n') {
      text += "%0A";
    } else {
      text += c;
    }
  }
  return text;
}

std::vector<std::string_view> CrLfLines(std::string_view bytes, bool& complete) {
  std::vector<std::string_view> lines;
  while (true) {
    const auto end = bytes.find("\r\n");
    if (end == std::string_view::npos) break;
    lines.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 2);
  }
  complete = bytes.empty();
  return lines;
}

std::filesystem::path RecoveryCopyPath(const std::filesystem::path& programFolder) {
  return LogFolderPath(programFolder) / "recovery.pmr";
}

std::string RecoveryCopyBytes(const std::vector<std::string>& pages,
                              const std::vector<PageSet>& browserSets) {
  const bool withSets = !browserSets.empty();
  std::string bytes(withSets ? kHeaderWithSets : kHeader);
  bytes += "\r\n";
  for (const auto& page : pages) {
    if (withSets) bytes += kPage;
    bytes += EscapedLineBreaks(page) + "\r\n";
  }
  std::size_t setBytes = 0;
  for (const auto& set : browserSets) {
    auto lines = HistoryFileBytes(set, 1);
    setBytes += lines.size();
    if (setBytes > kRecoveryBrowserBytes) break;
    bytes += lines;
  }
  bytes += kEnd;
  bytes += "\r\n";
  return bytes;
}

RecoveryContents ParseRecoveryCopy(std::string_view bytes) {
  RecoveryContents contents;
  bool complete = false;
  const auto lines = CrLfLines(bytes, complete);
  if (!lines.empty() && lines.front() == kHeaderWithSets) return ParseWithSets(lines, complete);
  if (lines.empty() || lines.front() != kHeader) {
    contents.problem = platform::FileError::kDamaged;
    return contents;
  }
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i] == kEnd && i + 1 == lines.size() && complete) return contents;
    if (contents.pages.size() < kSlotCount && !lines[i].empty()) {
      contents.pages.emplace_back(lines[i]);
    }
  }
  contents.problem = platform::FileError::kTruncated;
  return contents;
}

RecoveryContents ReadRecoveryCopy(platform::FileSystem& files,
                                  const std::filesystem::path& programFolder,
                                  FileProblems& problems) {
  const auto path = RecoveryCopyPath(programFolder);
  RecoveryContents contents;
  std::error_code error;
  if (files.Probe(path, error) == platform::PathKind::kNothing && !error) return contents;
  std::string bytes;
  if (!error) error = files.ReadWholeFile(path, kRecoveryCopyLimit, bytes);
  if (!error) {
    contents = ParseRecoveryCopy(bytes);
    error = contents.problem;
  }
  if (error) {
    contents.problem = error;
    problems.push_back(
        ReadProblem(files, path, error, MemoryFile::kRecoveryCopy, kRecoveryCopyLimit));
  }
  return contents;
}

std::error_code MoveUnreadCopyAside(platform::FileSystem& files, const std::filesystem::path& path,
                                    std::filesystem::path& movedTo) {
  movedTo.clear();
  std::error_code error;
  if (files.Probe(path, error) == platform::PathKind::kNothing && !error) return {};
  // Bounded, so that a folder whose names cannot be told does not hold the program here.
  constexpr int kNames = 1000;
  std::error_code last = std::make_error_code(std::errc::file_exists);
  for (int n = 1; n <= kNames; ++n) {
    auto aside = path;
    aside += ".unread" + std::to_string(n);
    if (files.Probe(aside, error) != platform::PathKind::kNothing || error) {
      if (error) last = error;
      continue;
    }
    const auto failed = files.RenameFile(path, aside);
    if (!failed) {
      movedTo = std::move(aside);
      return {};
    }
    // A file made under that name meanwhile refuses the move, and the next name is tried; any
    // other refusal is the copy's own (held open, say).
    if (files.Probe(aside, error) == platform::PathKind::kNothing && !error) return failed;
    last = failed;
  }
  return last;
}

}  // namespace pagemind::pages
