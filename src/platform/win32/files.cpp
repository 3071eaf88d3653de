#include "platform/win32/files.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

// <windows.h> maps DeleteFile to DeleteFileW; the program's own method of that name must keep
// its name.
#undef DeleteFile

namespace pagemind::platform::win32 {

namespace {

std::error_code LastError() {
  return {static_cast<int>(::GetLastError()), std::system_category()};
}

// Reads and writes go in pieces that a DWORD count can carry.
constexpr std::size_t kMaxPiece = 1u << 30;

}  // namespace

PathKind WindowsFileSystem::Probe(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder
                                                                   : PathKind::kFile;
  }
  const DWORD code = ::GetLastError();
  // Only "it is not there" is an answer; every other failure (no access, a bad name, a network
  // that does not answer) leaves the question open and is reported.
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return PathKind::kNothing;
  error.assign(static_cast<int>(code), std::system_category());
  return PathKind::kNothing;
}

std::error_code WindowsFileSystem::ListFolder(const std::filesystem::path& folder,
                                              std::size_t limit,
                                              std::vector<FolderEntry>& entries) {
  entries.clear();
  WIN32_FIND_DATAW data{};
  // The basic information (no short names) in large fetches: both from Windows 7 on.
  UniqueFind find(::FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return LastError();
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    if (entries.size() >= limit) return FileError::kTooManyEntries;
    FolderEntry& entry = entries.emplace_back();
    entry.name = Narrow(name);
    entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!entry.folder) {
      entry.size = std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
    }
    entry.lastWrite =
        static_cast<std::int64_t>(std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 |
                                  data.ftLastWriteTime.dwLowDateTime);
  } while (::FindNextFileW(find.get(), &data));
  if (::GetLastError() != ERROR_NO_MORE_FILES) return LastError();
  return {};
}

std::error_code WindowsFileSystem::CreateFolder(const std::filesystem::path& path) {
  if (::CreateDirectoryW(path.c_str(), nullptr)) return {};
  const std::error_code failure = LastError();
  if (failure.value() == ERROR_ALREADY_EXISTS) {
    std::error_code probeError;
    const PathKind kind = Probe(path, probeError);
    if (probeError) return probeError;
    if (kind == PathKind::kFolder) return {};
    if (kind == PathKind::kFile) return FileError::kNotAFolder;
  }
  return failure;
}

std::error_code WindowsFileSystem::ReadWholeFile(const std::filesystem::path& path,
                                                 std::size_t limit, std::string& contents) {
  contents.clear();
  // Sharing everything: the file may be open in an editor, and reading must not stop anyone.
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    // Only a holder that shares nothing refuses a reader that shares everything: a browser
    // writing its session file does, for as long as it runs.
    if (::GetLastError() == ERROR_SHARING_VIOLATION) return FileError::kHeldOpen;
    return LastError();
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return LastError();
  if (static_cast<unsigned long long>(size.QuadPart) > limit) return FileError::kTooLarge;

  // The file may change while it is read: read until the end, up to one byte past the limit.
  const std::size_t cap = limit == SIZE_MAX ? limit : limit + 1;
  std::string buffer(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
  std::size_t filled = 0;
  for (;;) {
    if (filled == buffer.size()) {
      if (buffer.size() >= cap) break;
      buffer.resize(std::min(cap, buffer.size() * 2));
    }
    const DWORD want = static_cast<DWORD>(std::min(buffer.size() - filled, kMaxPiece));
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer.data() + filled, want, &got, nullptr)) return LastError();
    if (got == 0) break;
    filled += got;
  }
  if (filled > limit) return FileError::kTooLarge;
  buffer.resize(filled);
  contents = std::move(buffer);
  return {};
}

namespace {

// From where the file's pointer is.
std::error_code WriteAll(HANDLE file, std::string_view bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min(bytes.size() - written, kMaxPiece));
    DWORD done = 0;
    if (!::WriteFile(file, bytes.data() + written, want, &done, nullptr)) return LastError();
    written += done;
  }
  return {};
}

// Writes the bytes to a new file and flushes them to the disk: they must be there before the
// file takes the old one's place, or a power cut after the rename could leave an empty file
// where the old contents were.
std::error_code WriteFlushed(const std::filesystem::path& path, std::string_view bytes) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError();
  if (auto error = WriteAll(file.get(), bytes)) return error;
  if (!::FlushFileBuffers(file.get())) return LastError();
  return {};
}

}  // namespace

std::vector<std::error_code> WindowsFileSystem::ReplaceFilesContents(
    std::span<const FileReplacement> files) {
  std::vector<std::error_code> errors(files.size());
  std::vector<std::filesystem::path> temporaries;
  for (std::size_t i = 0; i < files.size(); ++i) {
    temporaries.push_back(files[i].path);
    temporaries.back() += L".tmp";
    errors[i] = WriteFlushed(temporaries[i], files[i].bytes);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!errors[i] && !::MoveFileExW(temporaries[i].c_str(), files[i].path.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      errors[i] = LastError();
    }
    if (errors[i]) ::DeleteFileW(temporaries[i].c_str());
  }
  return errors;
}

namespace {

bool MoveTo(HANDLE file, LONGLONG offset) {
  LARGE_INTEGER to{};
  to.QuadPart = offset;
  return ::SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != FALSE;
}

// The file's end at `size`: this takes the room for a larger file (NTFS allocates it, and a
// full disk fails here) and cuts a smaller one.
bool EndAt(HANDLE file, LONGLONG size) {
  return MoveTo(file, size) && ::SetEndOfFile(file) != FALSE;
}

std::error_code WriteInPlace(HANDLE file, std::string_view bytes) {
  LARGE_INTEGER oldSize{};
  if (!::GetFileSizeEx(file, &oldSize)) return LastError();
  const auto size = static_cast<LONGLONG>(bytes.size());
  if (size > oldSize.QuadPart && !EndAt(file, size)) {
    const std::error_code failure = LastError();
    EndAt(file, oldSize.QuadPart);  // what the refused growth may have added goes again
    return failure;
  }
  if (!MoveTo(file, 0)) return LastError();
  if (auto error = WriteAll(file, bytes)) return error;
  if (!EndAt(file, size) || !::FlushFileBuffers(file)) return LastError();
  return {};
}

}  // namespace

std::error_code WindowsFileSystem::OverwriteFile(const std::filesystem::path& path,
                                                 std::string_view bytes) {
  // OPEN_ALWAYS rather than CREATE_ALWAYS, which would put new attributes on an existing file
  // (and refuse a hidden one); others may read it meanwhile, nobody may write.
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError();
  const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
  const std::error_code error = WriteInPlace(file.get(), bytes);
  if (error && created) {
    file.reset();
    ::DeleteFileW(path.c_str());
  }
  return error;
}

std::error_code WindowsFileSystem::DeleteFile(const std::filesystem::path& path) {
  if (::DeleteFileW(path.c_str())) return {};
  return LastError();
}

std::error_code WindowsFileSystem::RenameFile(const std::filesystem::path& from,
                                              const std::filesystem::path& to) {
  // Without MOVEFILE_REPLACE_EXISTING a file of the new name makes the call fail.
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return {};
  return LastError();
}

std::string WindowsFileSystem::DescribeError(const std::error_code& error) const {
  if (error.category() == FileErrorCategory()) return error.message();
  if (error.category() != std::system_category()) return error.message();

  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, static_cast<DWORD>(error.value()), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const UniqueLocalMemory owner(text);
  if (length == 0 || text == nullptr) {
    return "エラーが発生しました（コード " + std::to_string(static_cast<DWORD>(error.value())) +
           "）。";
  }
  std::wstring_view message(text, length);
  // System messages end in a line break, sometimes after a blank.
  while (!message.empty() &&
         (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
    message.remove_suffix(1);
  }
  return Narrow(message);
}

}  // namespace pagemind::platform::win32
