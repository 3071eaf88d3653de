#include "pages/page_memory.h"

#include <algorithm>

#include "pages/recovery_copy.h"

namespace pagemind::pages {

namespace {
bool Contains(const std::vector<std::string>& pages, const std::string& page) {
  return std::find(pages.begin(), pages.end(), page) != pages.end();
}
}  // namespace

PageMemory::PageMemory(platform::FileSystem& files, platform::Shell& shell,
                       const platform::AnsiCodec& ansi, std::filesystem::path programFolder,
                       access_log::AccessLog& log)
    : files_(files),
      ansi_(ansi),
      folder_(std::move(programFolder)),
      poller_(shell, log),
      reopener_(shell, files) {}

FileProblems PageMemory::EnsureFolder() {
  return EnsureLogFolder(files_, folder_);
}

FileProblems PageMemory::Load() {
  SlotMask read;
  auto problems = ReadPageSlots(files_, folder_, ansi_, lost_, read);
  unreadSlotFiles_ = UnreadSlots(problems);
  const auto recovered = ReadRecoveryCopy(files_, folder_, problems);
  for (std::size_t k = 0; k < recovered.size(); ++k) PlaceInSlot(lost_, k, recovered[k]);
  keepsRecoveryCopy_ = true;
  const auto remembered = pages();
  if (!remembered.empty() || !recovered.empty()) {
    if (auto error = WriteRecovery(remembered)) {
      // The slot files are then the only copy of their pages: they stay for the next start.
      const auto path = RecoveryCopyPath(folder_);
      problems.push_back({path, error, -1, files_.DescribeError(error)});
      return problems;
    }
  }
  auto deleted = DeleteSlotFiles(files_, folder_, read);
  problems.insert(problems.end(), deleted.begin(), deleted.end());
  return problems;
}

FileProblems PageMemory::Save() {
  auto problems = SavePageSlots(files_, folder_, ansi_, slots(), unreadSlotFiles_);
  if (!problems.empty() || !keepsRecoveryCopy_) return problems;
  const auto path = RecoveryCopyPath(folder_);
  std::error_code error;
  if (files_.Probe(path, error) == platform::PathKind::kNothing && !error) return problems;
  // A copy left behind would only repeat the slot files' pages at the next start.
  if (auto failed = files_.DeleteFile(path)) {
    problems.push_back({path, failed, -1, files_.DescribeError(failed)});
  }
  return problems;
}

void PageMemory::WriteRecoveryIfChanged() {
  if (!keepsRecoveryCopy_) return;
  auto now = pages();
  if (now == recoveryHolds_) return;
  (void)WriteRecovery(now);
}

KeptPages PageMemory::KeepForEndWithoutSaving() {
  const auto now = pages();
  KeptPages kept{.count = now.size()};
  if (!keepsRecoveryCopy_) return kept;
  if (now != recoveryHolds_) (void)WriteRecovery(now);
  if (recoveryHolds_ == now) kept.recoveryCopy = RecoveryCopyPath(folder_);
  return kept;
}

std::error_code PageMemory::WriteRecovery(const std::vector<std::string>& pages) {
  auto error = files_.ReplaceFileContents(RecoveryCopyPath(folder_), RecoveryCopyBytes(pages));
  ++recoveryWrites_;
  // A failed write is tried again at the next change or the next second, whichever comes.
  if (!error) recoveryHolds_ = pages;
  return error;
}

void PageMemory::Tick() {
  const auto result = poller_.Tick();
  // A lost page that a browser window shows again is that window's page now.
  if (result.recorded) ForgetLost(*result.recorded);
  if (result.cycleEnded && cyclesUntilReopenedForgotten_ > 0 &&
      --cyclesUntilReopenedForgotten_ == 0) {
    for (const auto& page : reopened_) ForgetLost(page);
    reopened_.clear();
  }
  RememberLost(result.lostTogether);
}

void PageMemory::RememberLost(const PageSlots& pages) {
  for (std::size_t k = 0; k < pages.size(); ++k) PlaceInSlot(lost_, k, pages[k]);
}

void PageMemory::ForgetLost(const std::string& page) {
  std::replace(lost_.begin(), lost_.end(), page, std::string());
}

std::vector<std::string> PageMemory::ReopenAll() {
  if (reopening_) return {};
  reopening_ = true;
  auto unopened = reopener_.ReopenAll(slots());
  reopening_ = false;
  // The pages opened stay remembered until their new windows have been recorded like any
  // other: if the browser fails again meanwhile, or its windows show other addresses, they are
  // not lost. Pages that could not be opened stay lost.
  reopened_.clear();
  for (const auto& page : lost_) {
    if (!page.empty() && !Contains(unopened, page)) reopened_.push_back(page);
  }
  cyclesUntilReopenedForgotten_ = 2;
  return unopened;
}

PageSlots PageMemory::slots() const {
  PageSlots slots = lost_;
  const auto& live = poller_.live();
  for (std::size_t k = 0; k < live.size(); ++k) PlaceInSlot(slots, k, live[k]);
  return slots;
}

std::vector<std::string> PageMemory::pages() const {
  std::vector<std::string> pages;
  for (const auto& page : slots()) {
    if (!page.empty()) pages.push_back(page);
  }
  return pages;
}

}  // namespace pagemind::pages
