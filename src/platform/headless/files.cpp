#include "platform/headless/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/paths.h"
#include "platform/native.h"

namespace pagemind::platform::headless {

namespace {

std::error_code LastError() {
  return {errno, std::generic_category()};
}

// Closes a POSIX file descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] bool valid() const { return fd_ >= 0; }
  std::error_code Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? std::error_code() : LastError();
  }

 private:
  int fd_;
};

std::error_code WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

}  // namespace

void PosixFileSystem::Note(const std::string& what, const std::filesystem::path& path) {
  if (journal_) journal_->Record(what + " " + Utf8FromPath(path));
}

PathKind PosixFileSystem::Probe(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return PathKind::kNothing;
    error = LastError();
    return PathKind::kNothing;
  }
  return S_ISDIR(info.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

namespace {

// Closes a directory stream when it goes out of scope.
struct DirectoryCloser {
  void operator()(DIR* directory) const { ::closedir(directory); }
};

// Seconds from 1601-01-01 to 1970-01-01, the two systems' starts of time.
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

}  // namespace

std::error_code PosixFileSystem::ListFolder(const std::filesystem::path& folder, std::size_t limit,
                                            std::vector<FolderEntry>& entries) {
  entries.clear();
  const std::unique_ptr<DIR, DirectoryCloser> directory(::opendir(folder.c_str()));
  if (!directory) return LastError();
  for (;;) {
    errno = 0;
    const dirent* item = ::readdir(directory.get());
    if (item == nullptr) break;
    const std::string_view name(item->d_name);
    if (name == "." || name == "..") continue;
    if (entries.size() >= limit) return FileError::kTooManyEntries;
    FolderEntry& entry = entries.emplace_back();
    entry.name = std::string(name);
    // What a link points at, as Windows lists a folder's entries; a broken link is listed bare.
    struct stat info {};
    if (::fstatat(::dirfd(directory.get()), item->d_name, &info, 0) != 0) continue;
    entry.folder = S_ISDIR(info.st_mode);
    if (!entry.folder) entry.size = static_cast<std::uint64_t>(info.st_size);
    entry.lastWrite =
        (static_cast<std::int64_t>(info.st_mtim.tv_sec) + kSecondsFrom1601To1970) * 10'000'000 +
        info.st_mtim.tv_nsec / 100;
  }
  return errno == 0 ? std::error_code() : LastError();
}

std::error_code PosixFileSystem::CreateFolder(const std::filesystem::path& path) {
  Note("create folder", path);
  return ::mkdir(path.c_str(), 0777) == 0 ? std::error_code() : LastError();
}

std::error_code PosixFileSystem::ReadWholeFile(const std::filesystem::path& path, std::size_t limit,
                                               std::string& contents) {
  Note("read", path);
  contents.clear();
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return LastError();
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return LastError();
  if (S_ISDIR(info.st_mode)) return {EISDIR, std::generic_category()};
  if (static_cast<std::size_t>(info.st_size) > limit) return FileError::kTooLarge;
  std::string data(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t got = 0;
  while (got < data.size()) {
    const ssize_t n = ::read(file.get(), data.data() + got, data.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) break;  // the file shrank meanwhile: what was read is the content
    got += static_cast<std::size_t>(n);
  }
  data.resize(got);
  contents = std::move(data);
  return {};
}

std::vector<std::error_code> PosixFileSystem::ReplaceFilesContents(
    std::span<const FileReplacement> files) {
  std::vector<std::error_code> errors(files.size());
  std::vector<std::filesystem::path> temporaries;
  int anyWritten = -1;
  for (std::size_t i = 0; i < files.size(); ++i) {
    Note("replace", files[i].path);
    auto temporary = files[i].path;
    temporary += ".tmp";
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file.valid()) {
      errors[i] = LastError();
    } else {
      errors[i] = WriteAll(file.get(), files[i].bytes);
      const auto closeError = file.Close();
      if (!errors[i]) errors[i] = closeError;
    }
    temporaries.push_back(std::move(temporary));
    if (!errors[i] && anyWritten < 0) anyWritten = static_cast<int>(i);
  }
  // One flush of the file system carries every file written above to the disk; where that is
  // refused, each file is flushed on its own.
  if (anyWritten >= 0) {
    Descriptor first(
        ::open(temporaries[static_cast<std::size_t>(anyWritten)].c_str(), O_RDONLY | O_CLOEXEC));
    const bool synced = first.valid() && ::syncfs(first.get()) == 0;
    for (std::size_t i = 0; i < files.size() && !synced; ++i) {
      if (errors[i]) continue;
      Descriptor file(::open(temporaries[i].c_str(), O_WRONLY | O_CLOEXEC));
      if (!file.valid() || ::fsync(file.get()) != 0) errors[i] = LastError();
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!errors[i] && ::rename(temporaries[i].c_str(), files[i].path.c_str()) != 0) {
      errors[i] = LastError();
    }
    if (errors[i]) ::unlink(temporaries[i].c_str());
  }
  return errors;
}

namespace {

// Takes the room for `size` bytes in an open file whose size is `oldSize`, so that running out
// of it shows before anything is written. A file system that cannot reserve room says so, and
// the write goes ahead without.
std::error_code ReserveRoom(int fd, off_t oldSize, std::size_t size) {
  if (static_cast<std::size_t>(oldSize) >= size) return {};
  const int failed = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
  if (failed == 0 || failed == EOPNOTSUPP || failed == EINVAL) return {};
  // What a refused reservation may have added to the file goes again.
  (void)::ftruncate(fd, oldSize);
  return {failed, std::generic_category()};
}

std::error_code WriteInPlace(int fd, std::string_view bytes) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return LastError();
  if (auto error = ReserveRoom(fd, info.st_size, bytes.size())) return error;
  if (auto error = WriteAll(fd, bytes)) return error;
  if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return LastError();
  if (::fsync(fd) != 0) return LastError();
  return {};
}

}  // namespace

std::error_code PosixFileSystem::OverwriteFile(const std::filesystem::path& path,
                                               std::string_view bytes) {
  Note("overwrite", path);
  bool created = false;
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = fd >= 0;
  }
  Descriptor file(fd);
  if (!file.valid()) return LastError();
  auto error = WriteInPlace(file.get(), bytes);
  const auto closeError = file.Close();
  if (!error) error = closeError;
  if (error && created) ::unlink(path.c_str());
  return error;
}

std::error_code PosixFileSystem::DeleteFile(const std::filesystem::path& path) {
  Note("delete", path);
  return ::unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code PosixFileSystem::RenameFile(const std::filesystem::path& from,
                                            const std::filesystem::path& to) {
  Note("rename", from);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return LastError();
  // A file system that cannot refuse to replace in the rename itself: a second link, which
  // fails where the name is taken, then the old name goes.
  if (::link(from.c_str(), to.c_str()) != 0) return LastError();
  if (::unlink(from.c_str()) == 0) return {};
  const auto failure = LastError();
  ::unlink(to.c_str());
  return failure;
}

std::string PosixFileSystem::DescribeError(const std::error_code& error) const {
  return error.message();
}

}  // namespace pagemind::platform::headless

namespace pagemind::platform {

std::unique_ptr<FileSystem> MakeFileSystem() {
  return std::make_unique<headless::PosixFileSystem>();
}

}  // namespace pagemind::platform
