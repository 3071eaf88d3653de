#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "pages/page_slots.h"
#include "platform/files.h"

namespace pagemind::pages {

// The remembered pages as they stand while the program runs, so that an end the program does
// not see coming (killed, crashed, power gone) loses none of them. It lies beside the slot
// files, which keep their own meaning: the set of the last orderly end.
//
// UTF-8, CR LF: a first line naming the format, one address a line, and a last line "end" that
// tells a complete file from a cut one. Line breaks inside an address are written as %0D and
// %0A, which is how an address carries them anyway.
std::filesystem::path RecoveryCopyPath(const std::filesystem::path& programFolder);

// Nothing a page address could need is larger: 31 slot files at their limit.
inline constexpr std::size_t kRecoveryCopyLimit = kSlotCount * kSlotFileLimit;

// An address as one line of the program's own files: CR and LF as %0D and %0A.
std::string EscapedLineBreaks(std::string_view address);

// The lines of one of the program's CR LF files; `complete` is false when bytes follow the last
// line break (a file cut in a write, or not one of the program's).
std::vector<std::string_view> CrLfLines(std::string_view bytes, bool& complete);

std::string RecoveryCopyBytes(const std::vector<std::string>& pages);

// The pages of a recovery copy. A file that does not begin as one is damaged (nothing read);
// one without its last line was cut (the complete lines before the cut are read).
struct RecoveryContents {
  std::vector<std::string> pages;
  std::error_code problem;  // kDamaged, kTruncated, or none
};
RecoveryContents ParseRecoveryCopy(std::string_view bytes);

// Reads the copy; a missing file is no problem and gives no pages.
std::vector<std::string> ReadRecoveryCopy(platform::FileSystem& files,
                                          const std::filesystem::path& programFolder,
                                          FileProblems& problems);

}  // namespace pagemind::pages
