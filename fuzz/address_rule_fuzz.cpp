// An address from a slot, recovery or history file, about to be opened: whatever its bytes,
// the rule hands on only a web address as it is or a local document or folder as its path.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/paths.h"
#include "pages/shell_open_rule.h"
#include "platform/files.h"

namespace {

using pagemind::platform::PathKind;

// Answers every probe with the same kind, chosen by the input, and touches no disk.
class ImaginedFiles final : public pagemind::platform::FileSystem {
 public:
  explicit ImaginedFiles(PathKind kind) : kind_(kind) {}
  PathKind Probe(const std::filesystem::path&, std::error_code&) override { return kind_; }
  std::error_code CreateFolder(const std::filesystem::path&) override { return Refused(); }
  std::error_code ReadWholeFile(const std::filesystem::path&, std::size_t, std::string&) override {
    return Refused();
  }
  std::vector<std::error_code> ReplaceFilesContents(
      std::span<const pagemind::platform::FileReplacement> files) override {
    return std::vector<std::error_code>(files.size(), Refused());
  }
  std::error_code OverwriteFile(const std::filesystem::path&, std::string_view) override {
    return Refused();
  }
  std::error_code DeleteFile(const std::filesystem::path&) override { return Refused(); }
  std::error_code RenameFile(const std::filesystem::path&, const std::filesystem::path&) override {
    return Refused();
  }
  std::error_code ListFolder(const std::filesystem::path&, std::size_t,
                             std::vector<pagemind::platform::FolderEntry>&) override {
    return Refused();
  }
  [[nodiscard]] std::string DescribeError(const std::error_code&) const override { return {}; }

 private:
  static std::error_code Refused() { return std::make_error_code(std::errc::permission_denied); }
  PathKind kind_;
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  constexpr std::array kinds = {PathKind::kNothing, PathKind::kFile, PathKind::kFolder};
  const PathKind kind = kinds[data[0] % kinds.size()];
  ImaginedFiles files(kind);
  const std::string_view address(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto target = pagemind::pages::OpenableTarget(address, files);
  if (!target) return 0;
  const std::string lower = Lower(address);
  if (lower.starts_with("http://") || lower.starts_with("https://")) {
    if (*target != address) __builtin_trap();
    return 0;
  }
  // Anything else that passes is a file: address of a local path that exists.
  if (!lower.starts_with("file://") || kind == PathKind::kNothing) __builtin_trap();
  // Never a network path (two separators at the front), never a NUL, and the path the
  // routes get is the one that was checked.
  if (target->find('\0') != std::string::npos) __builtin_trap();
  if (target->size() >= 2 && (target->at(0) == '/' || target->at(0) == '\\') &&
      (target->at(1) == '/' || target->at(1) == '\\')) {
    __builtin_trap();
  }
  if (pagemind::Utf8FromPath(pagemind::PathFromUtf8(*target)) != *target) __builtin_trap();
  const auto path = pagemind::pages::LocalPathOfFileAddress(address);
  if (!path || pagemind::Utf8FromPath(std::filesystem::path(*path).make_preferred()) != *target) {
    __builtin_trap();
  }
  // A file passes only as a document a browser shows.
  if (kind == PathKind::kFile) {
    const std::string extension = Lower(pagemind::Utf8FromPath(path->extension()));
    constexpr std::array<std::string_view, 6> documents = {".htm", ".html", ".xhtml",
                                                           ".svg", ".pdf",  ".txt"};
    if (std::find(documents.begin(), documents.end(), extension) == documents.end()) {
      __builtin_trap();
    }
  }
  return 0;
}
