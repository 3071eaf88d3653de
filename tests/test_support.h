#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace pagemind::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

#ifndef _WIN32
// Permissions as an ordinary user meets them, for the calling thread while this lives: root
// passes every permission check, so as root the thread's file-system user and group become
// nobody's. For anyone else nothing changes.
class AsOrdinaryUser {
 public:
  AsOrdinaryUser();
  ~AsOrdinaryUser();
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

 private:
  bool switched_ = false;
};
#endif

#ifndef _WIN32
// The files of another file system, some of which another program holds open with no sharing
// (on Windows, a sharing violation): they can be neither read nor renamed, and give
// FileError::kHeldOpen as the real port does. Writing and deleting go through to the disk, so
// that a program that does either to a held file is caught by the bytes left.
class HeldFiles final : public platform::FileSystem {
 public:
  explicit HeldFiles(platform::FileSystem& disk) : disk_(disk) {}
  std::set<std::filesystem::path> held;

  platform::PathKind Probe(const std::filesystem::path& path, std::error_code& error) override;
  std::error_code ListFolder(const std::filesystem::path& folder, std::size_t limit,
                             std::vector<platform::FolderEntry>& entries) override;
  std::error_code CreateFolder(const std::filesystem::path& path) override;
  std::error_code ReadWholeFile(const std::filesystem::path& path, std::size_t limit,
                                std::string& contents) override;
  std::vector<std::error_code> ReplaceFilesContents(
      std::span<const platform::FileReplacement> files) override;
  std::error_code OverwriteFile(const std::filesystem::path& path, std::string_view bytes) override;
  std::error_code DeleteFile(const std::filesystem::path& path) override;
  std::error_code RenameFile(const std::filesystem::path& from,
                             const std::filesystem::path& to) override;
  [[nodiscard]] std::string DescribeError(const std::error_code& error) const override;

 private:
  [[nodiscard]] bool IsHeld(const std::filesystem::path& path) const;
  platform::FileSystem& disk_;
};
#endif  // For the native tests: <windows.h> would rename DeleteFile in the Windows ones.

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace pagemind::testing
