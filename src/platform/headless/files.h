#pragma once

#include "platform/files.h"
#include "platform/headless/journal.h"

namespace pagemind::platform::headless {

// The real files through POSIX calls, so that file code runs against a real disk in the unit
// tests. With a journal, every step that changes or reads a file is recorded there too.
class PosixFileSystem final : public FileSystem {
 public:
  explicit PosixFileSystem(Journal* journal = nullptr) : journal_(journal) {}

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

 private:
  void Note(const std::string& what, const std::filesystem::path& path);

  Journal* journal_;
};

}  // namespace pagemind::platform::headless
