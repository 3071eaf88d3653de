#include <algorithm>
#include <array>

#include "common/paths.h"
#include "common/utf8.h"
#include "pages/page_slots.h"

namespace pagemind::pages {

std::filesystem::path SlotFilePath(const std::filesystem::path& programFolder, int k) {
  const std::array<char, 3> digits{static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10),
                                   '\0'};
  return LogFolderPath(programFolder) / (std::string("log") + digits.data() + ".pms");
}

namespace {

// The reason is put into words while the file system that failed is at hand: the messages that
// report problems are made later, from the problems alone.
FileProblem Problem(const platform::FileSystem& files, std::filesystem::path path,
                    std::error_code error, int unreadSlot = -1) {
  std::string reason = files.DescribeError(error);
  return {std::move(path), error, unreadSlot, std::move(reason)};
}

}  // namespace

FileProblems EnsureLogFolder(platform::FileSystem& files,
                             const std::filesystem::path& programFolder) {
  const auto folder = LogFolderPath(programFolder);
  std::error_code error;
  switch (files.Probe(folder, error)) {
    case platform::PathKind::kFolder:
      return {};
    case platform::PathKind::kFile:
      return {Problem(files, folder, platform::FileError::kNotAFolder)};
    case platform::PathKind::kNothing:
      if (error) return {Problem(files, folder, error)};
      if (auto created = files.CreateFolder(folder)) return {Problem(files, folder, created)};
      return {};
  }
  return {};
}

std::string RecordedAddress(std::string_view address) {
  return std::string(Utf8Prefix(address, kAddressLimit));
}

std::string RecordedTitle(std::string_view title) {
  return std::string(Utf8Prefix(title, kTitleLimit));
}

FileProblem ReadProblem(const platform::FileSystem& files, std::filesystem::path path,
                        std::error_code error, MemoryFile file, std::size_t limit) {
  FileProblem problem{std::move(path), error, -1, files.DescribeError(error)};
  problem.file = file;
  if (error == platform::FileError::kTooLarge) problem.limit = limit;
  return problem;
}

std::string EncodeSlotFile(std::string_view address, const platform::AnsiCodec& ansi) {
  if (ansi.CanHold(address)) return ansi.ToAnsi(address);
  std::string bytes;
  std::string held;  // converted in runs: one call for many characters
  while (!address.empty()) {
    const auto character = address.substr(0, Utf8CharacterLength(address));
    address.remove_prefix(character.size());
    if (ansi.CanHold(character)) {
      held += character;
      continue;
    }
    bytes += ansi.ToAnsi(held);
    held.clear();
    for (const char byte : character) {
      constexpr std::string_view kHex = "0123456789ABCDEF";
      const auto value = static_cast<unsigned char>(byte);
      bytes += '%';
      bytes += kHex[value >> 4];
      bytes += kHex[value & 0x0F];
    }
  }
  return bytes + ansi.ToAnsi(held);
}

std::string DecodeSlotFile(std::string_view bytes, const platform::AnsiCodec& ansi) {
  if (bytes.ends_with("\r\n")) {
    bytes.remove_suffix(2);
  } else if (bytes.ends_with('\n') || bytes.ends_with('\r')) {
    bytes.remove_suffix(1);
  }
  return ansi.FromAnsi(bytes);
}

FileProblems ReadPageSlots(platform::FileSystem& files, const std::filesystem::path& programFolder,
                           const platform::AnsiCodec& ansi, PageSlots& slots, SlotMask& read) {
  FileProblems problems;
  for (int k = 0; k < kSlotCount; ++k) {
    const auto path = SlotFilePath(programFolder, k);
    std::error_code error;
    if (files.Probe(path, error) == platform::PathKind::kNothing) {
      // A file whose existence cannot be told may still hold a page: keep it as unread.
      if (error) problems.push_back(Problem(files, path, error, k));
      continue;
    }
    std::string bytes;
    if (auto failed = files.ReadWholeFile(path, kSlotFileLimit, bytes)) {
      auto problem = ReadProblem(files, path, failed, MemoryFile::kSlotFile, kSlotFileLimit);
      problem.unreadSlot = k;
      problems.push_back(std::move(problem));
      continue;
    }
    slots[static_cast<std::size_t>(k)] = DecodeSlotFile(bytes, ansi);
    read.set(static_cast<std::size_t>(k));
  }
  return problems;
}

FileProblems DeleteSlotFiles(platform::FileSystem& files,
                             const std::filesystem::path& programFolder, const SlotMask& read) {
  FileProblems problems;
  for (int k = 0; k < kSlotCount; ++k) {
    if (!read.test(static_cast<std::size_t>(k))) continue;
    const auto path = SlotFilePath(programFolder, k);
    if (auto failed = files.DeleteFile(path)) problems.push_back(Problem(files, path, failed));
  }
  return problems;
}

FileProblems LoadPageSlots(platform::FileSystem& files, const std::filesystem::path& programFolder,
                           const platform::AnsiCodec& ansi, PageSlots& slots) {
  SlotMask read;
  auto problems = ReadPageSlots(files, programFolder, ansi, slots, read);
  // Deleting comes last, so a load that stops half-way leaves every file for the next start.
  auto deleted = DeleteSlotFiles(files, programFolder, read);
  problems.insert(problems.end(), deleted.begin(), deleted.end());
  return problems;
}

void PlaceInSlot(PageSlots& slots, std::size_t k, const std::string& page) {
  if (page.empty() || std::find(slots.begin(), slots.end(), page) != slots.end()) return;
  if (k < slots.size() && slots[k].empty()) {
    slots[k] = page;
    return;
  }
  const auto free = std::find(slots.begin(), slots.end(), std::string());
  if (free != slots.end()) *free = page;
}

SlotMask UnreadSlots(const FileProblems& problems) {
  SlotMask unread;
  for (const auto& problem : problems) {
    if (problem.unreadSlot >= 0) unread.set(static_cast<std::size_t>(problem.unreadSlot));
  }
  return unread;
}

FileProblems SavePageSlots(platform::FileSystem& files, const std::filesystem::path& programFolder,
                           const platform::AnsiCodec& ansi, const PageSlots& slots,
                           const SlotMask& keepIfEmpty) {
  if (auto problems = EnsureLogFolder(files, programFolder); !problems.empty()) return problems;
  // Every file is tried even after one fails: each success is a page that is safe on disk.
  std::array<std::string, kSlotCount> bytes;
  std::vector<platform::FileReplacement> replacements;
  for (std::size_t k = 0; k < slots.size(); ++k) {
    if (keepIfEmpty.test(k) && slots[k].empty()) continue;
    bytes[k] = EncodeSlotFile(slots[k], ansi);
    replacements.push_back({SlotFilePath(programFolder, static_cast<int>(k)), bytes[k]});
  }
  const auto errors = files.ReplaceFilesContents(replacements);
  FileProblems problems;
  for (std::size_t k = 0; k < replacements.size(); ++k) {
    if (errors[k]) problems.push_back(Problem(files, replacements[k].path, errors[k]));
  }
  return problems;
}

}  // namespace pagemind::pages
