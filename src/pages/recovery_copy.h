#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "pages/page_history.h"
#include "pages/page_slots.h"
#include "platform/files.h"

namespace pagemind::pages {

// The remembered pages as they stand while the program runs, so that an end the program does
// not see coming (killed, crashed, power gone) loses none of them. It lies beside the slot
// files, which keep their own meaning: the set of the last orderly end.
//
// UTF-8, CR LF: a first line naming the format, one address a line, and a last line "end" that
// tells a complete file from a cut one. Line breaks inside an address are written as %0D and
// %0A, which is how an address carries them anyway. While a browser's pages are followed as it
// runs, the second format holds them too: each address as "page …", then each browser's set as
// the lines of its history file, then "end".
std::filesystem::path RecoveryCopyPath(const std::filesystem::path& programFolder);

// Room for 31 addresses at their limit with every byte escaped, a line each, and the first
// and last lines, and for the browsers' pages that the writer lets in.
inline constexpr std::size_t kRecoveryBrowserBytes = std::size_t{16} * 1024 * 1024;
inline constexpr std::size_t kRecoveryCopyLimit =
    std::size_t{6} * 1024 * 1024 + kRecoveryBrowserBytes;
static_assert(kRecoveryCopyLimit - kRecoveryBrowserBytes >=
              64 + kSlotCount * (5 + 3 * kAddressLimit + 2));

// An address as one line of the program's own files: CR and LF as %0D and %0A.
std::string EscapedLineBreaks(std::string_view address);

// The lines of one of the program's CR LF files; `complete` is false when bytes follow the last
// line break (a file cut in a write, or not one of the program's).
std::vector<std::string_view> CrLfLines(std::string_view bytes, bool& complete);

// The browsers' sets go in while they take no more than kRecoveryBrowserBytes together.
std::string RecoveryCopyBytes(const std::vector<std::string>& pages,
                              const std::vector<PageSet>& browserSets = {});

// The pages of a recovery copy. A file that does not begin as one is damaged (nothing read);
// one without its last line was cut (the complete lines before the cut are read).
struct RecoveryContents {
  std::vector<std::string> pages;
  std::vector<PageSet> browserSets;
  std::error_code problem;  // kDamaged, kTruncated, or none
};
RecoveryContents ParseRecoveryCopy(std::string_view bytes);

// Reads the copy; a missing file is no problem and gives no pages. Any other problem (a file
// that cannot be read, or is damaged or cut) is added to `problems` and set in the result.
RecoveryContents ReadRecoveryCopy(platform::FileSystem& files,
                                  const std::filesystem::path& programFolder,
                                  FileProblems& problems);

// Gives the copy at `path` the first name "recovery.pmr.unreadN" (N = 1, 2, …) that no file
// has, so that a new copy can be written and the unread one is never replaced or deleted.
// Sets `movedTo`; a copy that is no longer there needs no move and leaves it empty.
std::error_code MoveUnreadCopyAside(platform::FileSystem& files, const std::filesystem::path& path,
                                    std::filesystem::path& movedTo);

}  // namespace pagemind::pages
