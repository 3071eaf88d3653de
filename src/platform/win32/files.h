#pragma once

// <windows.h> maps DeleteFile to DeleteFileW. Where it came first, the method below must still
// be declared by its own name, as platform/files.h declares it where it did not.
#pragma push_macro("DeleteFile")
#undef DeleteFile

#include "platform/files.h"

namespace pagemind::platform::win32 {

// The files through the wide-character Windows file API, whose errors carry the system's code
// and whose reasons are the system's own texts.
class WindowsFileSystem final : public FileSystem {
 public:
  PathKind Probe(const std::filesystem::path& path, std::error_code& error) override;
  std::error_code ListFolder(const std::filesystem::path& folder, std::size_t limit,
                             std::vector<FolderEntry>& entries) override;
  std::error_code CreateFolder(const std::filesystem::path& path) override;
  std::error_code ReadWholeFile(const std::filesystem::path& path, std::size_t limit,
                                std::string& contents) override;
  std::vector<std::error_code> ReplaceFilesContents(
      std::span<const FileReplacement> files) override;
  std::error_code OverwriteFile(const std::filesystem::path& path, std::string_view bytes) override;
  std::error_code DeleteFile(const std::filesystem::path& path) override;
  std::error_code RenameFile(const std::filesystem::path& from,
                             const std::filesystem::path& to) override;
  [[nodiscard]] std::string DescribeError(const std::error_code& error) const override;
};

}  // namespace pagemind::platform::win32

#pragma pop_macro("DeleteFile")
