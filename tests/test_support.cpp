#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#ifndef _WIN32
#include <sys/fsuid.h>
#include <unistd.h>
#endif

namespace pagemind::testing {

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate =
        base / ("pagemind-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be made");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Folders a test made read-only must become writable again before they can go.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

#ifndef _WIN32
namespace {
constexpr unsigned kNobody = 65534;
}  // namespace

AsOrdinaryUser::AsOrdinaryUser() {
  if (::geteuid() != 0) return;
  // Group first: the group can no longer be changed once the user is no longer root.
  ::setfsgid(kNobody);
  ::setfsuid(kNobody);
  // setfsuid answers with the id before the call whether or not it changed it.
  if (static_cast<unsigned>(::setfsuid(kNobody)) != kNobody) {
    ::setfsgid(::getegid());
    throw std::runtime_error("the file-system user could not become nobody");
  }
  switched_ = true;
}

AsOrdinaryUser::~AsOrdinaryUser() {
  if (!switched_) return;
  ::setfsuid(::geteuid());
  ::setfsgid(::getegid());
}

platform::PathKind HeldFiles::Probe(const std::filesystem::path& path, std::error_code& error) {
  return disk_.Probe(path, error);
}
std::error_code HeldFiles::ListFolder(const std::filesystem::path& folder, std::size_t limit,
                                      std::vector<platform::FolderEntry>& entries) {
  return disk_.ListFolder(folder, limit, entries);
}
std::error_code HeldFiles::CreateFolder(const std::filesystem::path& path) {
  return disk_.CreateFolder(path);
}
std::error_code HeldFiles::ReadWholeFile(const std::filesystem::path& path, std::size_t limit,
                                         std::string& contents) {
  if (IsHeld(path)) return platform::FileError::kHeldOpen;
  return disk_.ReadWholeFile(path, limit, contents);
}
std::vector<std::error_code> HeldFiles::ReplaceFilesContents(
    std::span<const platform::FileReplacement> files) {
  return disk_.ReplaceFilesContents(files);
}
std::error_code HeldFiles::OverwriteFile(const std::filesystem::path& path,
                                         std::string_view bytes) {
  return disk_.OverwriteFile(path, bytes);
}
std::error_code HeldFiles::DeleteFile(const std::filesystem::path& path) {
  return disk_.DeleteFile(path);
}
std::error_code HeldFiles::RenameFile(const std::filesystem::path& from,
                                      const std::filesystem::path& to) {
  if (IsHeld(from)) return platform::FileError::kHeldOpen;
  return disk_.RenameFile(from, to);
}
std::string HeldFiles::DescribeError(const std::error_code& error) const {
  return disk_.DescribeError(error);
}
bool HeldFiles::IsHeld(const std::filesystem::path& path) const {
  // The program builds its paths its own way ("a/./b", "a/b"): the file is the same.
  const auto normal = path.lexically_normal();
  return std::any_of(held.begin(), held.end(), [&normal](const std::filesystem::path& file) {
    return file.lexically_normal() == normal;
  });
}
#endif

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace pagemind::testing
