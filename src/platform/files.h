#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace pagemind::platform {

// Small-file operations whose failures must carry the system's own reason. Implemented with the
// native file API of each platform so that the reason is the one the system gives.

enum class PathKind { kNothing, kFile, kFolder };

// One entry of a folder as the folder's listing gives it, without opening the entry.
struct FolderEntry {
  std::string name;  // UTF-8
  bool folder = false;
  std::uint64_t size = 0;  // bytes; 0 for a folder
  // The last write, in 100-nanosecond units since 1601-01-01 UTC (a Windows FILETIME); 0 when
  // the system gives none.
  std::int64_t lastWrite = 0;
  bool operator==(const FolderEntry&) const = default;
};

struct FileReplacement {
  std::filesystem::path path;
  std::string_view bytes;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // What exists at a path; an error (no access to the parent, say) is reported, not guessed.
  virtual PathKind Probe(const std::filesystem::path& path, std::error_code& error) = 0;

  // The entries of a folder ("." and ".." left out) in the order the system gives them, none
  // of them opened. A folder of more than `limit` entries gives FileError::kTooManyEntries with
  // the first `limit` of them.
  virtual std::error_code ListFolder(const std::filesystem::path& folder, std::size_t limit,
                                     std::vector<FolderEntry>& entries) = 0;

  virtual std::error_code CreateFolder(const std::filesystem::path& path) = 0;

  // Reads a whole file, sharing it with everyone (others may read, write, rename and delete it
  // meanwhile) and closing it at once. A file larger than `limit` is not read: the result is
  // FileError::kTooLarge and `contents` stays empty. A file another program holds open without
  // sharing it gives FileError::kHeldOpen.
  virtual std::error_code ReadWholeFile(const std::filesystem::path& path, std::size_t limit,
                                        std::string& contents) = 0;

  // Replaces each file's contents in one step, with one error (or none) per file, in order: the
  // bytes go to a file beside the target, are flushed to the disk, and that file then takes the
  // target's place. Afterwards a target holds either its old contents or its new bytes, never a
  // mixture; the file beside it is gone either way. The files beside the targets are all
  // written and flushed before the first one takes its target's place, so a platform can flush
  // them together.
  virtual std::vector<std::error_code> ReplaceFilesContents(
      std::span<const FileReplacement> files) = 0;

  // Writes the bytes into a file the user chose, creating it when missing, for a file that is
  // the user's rather than the program's. It is written in place: no other file is made or
  // touched beside it, and it keeps its attributes, permissions and links, so a folder that
  // lets the file be written but no file be created still takes the save. Room for the bytes
  // is taken before the first old byte changes, so a full disk leaves the file as it was, and
  // a file the call created goes again when it fails; a failure while the bytes go out (the
  // disk failing, say) can leave the file part old and part new.
  virtual std::error_code OverwriteFile(const std::filesystem::path& path,
                                        std::string_view bytes) = 0;

  virtual std::error_code DeleteFile(const std::filesystem::path& path) = 0;

  // Gives a file a new name (in the same folder, so it is one step on the disk) and never takes
  // the place of a file that has the new name already: that is an error, and both files stay
  // as they were. A file another program holds open without sharing may refuse the move.
  virtual std::error_code RenameFile(const std::filesystem::path& from,
                                     const std::filesystem::path& to) = 0;

  // The system's reason for an error, as a UTF-8 text for the user.
  [[nodiscard]] virtual std::string DescribeError(const std::error_code& error) const = 0;

  // One file, as ReplaceFilesContents does it.
  std::error_code ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes);
};

// Errors of the program's own file rules, beside the system's.
enum class FileError {
  kTooLarge = 1,
  kNotAFolder,
  kDamaged,
  kTruncated,
  // Another program keeps the file open and lets nobody read it (on Windows, a sharing
  // violation): a Chromium-family browser does so with the session file it is writing.
  kHeldOpen,
  kTooManyEntries,
};
const std::error_category& FileErrorCategory();
std::error_code make_error_code(FileError e);

}  // namespace pagemind::platform

template <>
struct std::is_error_code_enum<pagemind::platform::FileError> : std::true_type {};
