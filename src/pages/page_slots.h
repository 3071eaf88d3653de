#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/ansi.h"
#include "platform/files.h"

namespace pagemind::pages {

// The remembered page addresses: slot k holds the address of the browser window at position k
// of the shell's window collection, or "" when nothing is remembered there.
inline constexpr int kSlotCount = 31;
using PageSlots = std::array<std::string, kSlotCount>;

// What the memory records of an address: at most this many bytes of UTF-8.
inline constexpr std::size_t kAddressLimit = std::size_t{64} * 1024;
// A slot file larger than this is not a page address. Every byte of an address takes at most
// three in a slot file (a character the code page lacks is written as "%E2%80%94"), and a
// character the code page holds never takes more bytes there than in UTF-8.
inline constexpr std::size_t kSlotFileLimit = 3 * kAddressLimit;
// What the memory records of a page's title, which is only ever shown.
inline constexpr std::size_t kTitleLimit = std::size_t{2} * 1024;

// An address and a title as the memory records them: cut to their limits, never inside a
// character. An address cut is another address, but one that the files can carry.
std::string RecordedAddress(std::string_view address);
std::string RecordedTitle(std::string_view title);

// Log\logNN.pms beside the program, NN = 00 … 30.
std::filesystem::path SlotFilePath(const std::filesystem::path& programFolder, int k);

// Which of the page memory's files a problem is about: the words that report a file too large
// to read say what the file cannot then be.
enum class MemoryFile { kOther, kSlotFile, kRecoveryCopy, kHistoryFile };

// A file or folder step that failed, with the system's reason.
struct FileProblem {
  std::filesystem::path path;
  std::error_code error;
  // The slot whose file the load could not read and left on disk; -1 for any other step.
  int unreadSlot = -1;
  // The error in words, as the file system that failed described it.
  std::string reason;
  MemoryFile file = MemoryFile::kOther;
  // The most the program reads of that file, for a file too large to read; 0 otherwise.
  std::size_t limit = 0;
  // What became of a recovery copy the start could not read, which is never replaced or
  // deleted: left where it was (kLeft), moved aside to `movedTo`, or not movable for
  // `moveReason` (the system's words), and so kept in place for as long as that lasts.
  enum class Outcome { kLeft, kMovedAside, kNotMovedAside } outcome = Outcome::kLeft;
  std::filesystem::path movedTo{};
  std::string moveReason{};
};
using FileProblems = std::vector<FileProblem>;
using SlotMask = std::bitset<kSlotCount>;

// The slots whose files a load left on disk unread.
SlotMask UnreadSlots(const FileProblems& problems);

// Makes the Log folder when nothing of that name exists. A file named "Log" is a problem.
FileProblems EnsureLogFolder(platform::FileSystem& files,
                             const std::filesystem::path& programFolder);

// Fills the slots from the slot files of the last orderly end and deletes the files it read.
// A missing file leaves its slot empty; a file that cannot be read (or is too large to be an
// address) leaves its slot empty and stays on disk, and is reported.
FileProblems LoadPageSlots(platform::FileSystem& files, const std::filesystem::path& programFolder,
                           const platform::AnsiCodec& ansi, PageSlots& slots);
// The load in its two steps: reading (the slots read are set in `read`), then deleting the
// files read, so that the pages can be made safe elsewhere in between.
FileProblems ReadPageSlots(platform::FileSystem& files, const std::filesystem::path& programFolder,
                           const platform::AnsiCodec& ansi, PageSlots& slots, SlotMask& read);
FileProblems DeleteSlotFiles(platform::FileSystem& files,
                             const std::filesystem::path& programFolder, const SlotMask& read);

// Writes all 31 slot files; each is replaced in one step, so after a failure every file holds
// either its old or its new content. Makes the Log folder first if it has gone meanwhile.
// A slot in `keepIfEmpty` that is still empty leaves its file as it is: the file the start
// could not read stays for the next start to try again rather than being emptied.
FileProblems SavePageSlots(platform::FileSystem& files, const std::filesystem::path& programFolder,
                           const platform::AnsiCodec& ansi, const PageSlots& slots,
                           const SlotMask& keepIfEmpty = {});

// Puts `page` into `slots` unless it is there already: at slot `k` when that is free, else at
// the first free slot; nowhere when every slot is taken.
void PlaceInSlot(PageSlots& slots, std::size_t k, const std::string& page);

// A slot file's bytes as the address they hold: the whole file, less one trailing line break
// that a hand edit may have left.
std::string DecodeSlotFile(std::string_view bytes, const platform::AnsiCodec& ansi);
// An address as a slot file holds it: in the ANSI code page, where every character the code
// page holds keeps its bytes; each one it lacks (or holds only as a look-alike) is written as
// its UTF-8 bytes percent-encoded, which every browser takes as the same address.
std::string EncodeSlotFile(std::string_view address, const platform::AnsiCodec& ansi);

// A file of the page memory that could not be read, with the system's reason.
FileProblem ReadProblem(const platform::FileSystem& files, std::filesystem::path path,
                        std::error_code error, MemoryFile file, std::size_t limit);

// What an end without the slot files leaves for the next start.
struct KeptPages {
  std::size_t count = 0;  // the pages remembered now
  // The recovery copy when it holds every one of them; empty when nothing does.
  std::filesystem::path recoveryCopy{};
};

}  // namespace pagemind::pages
