#include "pages/recovery_copy.h"

#include "common/paths.h"

namespace pagemind::pages {

namespace {
constexpr std::string_view kHeader = "Pagemind recovery 1";
constexpr std::string_view kEnd = "end";
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

std::string RecoveryCopyBytes(const std::vector<std::string>& pages) {
  std::string bytes(kHeader);
  bytes += "\r\n";
  for (const auto& page : pages) bytes += EscapedLineBreaks(page) + "\r\n";
  bytes += kEnd;
  bytes += "\r\n";
  return bytes;
}

RecoveryContents ParseRecoveryCopy(std::string_view bytes) {
  RecoveryContents contents;
  bool complete = false;
  const auto lines = CrLfLines(bytes, complete);
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

std::vector<std::string> ReadRecoveryCopy(platform::FileSystem& files,
                                          const std::filesystem::path& programFolder,
                                          FileProblems& problems) {
  const auto path = RecoveryCopyPath(programFolder);
  std::error_code error;
  if (files.Probe(path, error) == platform::PathKind::kNothing) {
    if (error) problems.push_back({path, error, -1, files.DescribeError(error)});
    return {};
  }
  std::string bytes;
  if (auto failed = files.ReadWholeFile(path, kRecoveryCopyLimit, bytes)) {
    problems.push_back({path, failed, -1, files.DescribeError(failed)});
    return {};
  }
  auto contents = ParseRecoveryCopy(bytes);
  if (contents.problem) {
    problems.push_back({path, contents.problem, -1, files.DescribeError(contents.problem)});
  }
  return std::move(contents.pages);
}

}  // namespace pagemind::pages
