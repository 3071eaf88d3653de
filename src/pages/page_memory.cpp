#include "pages/page_memory.h"

#include <algorithm>

#include "common/paths.h"
#include "pages/recovery_copy.h"

namespace pagemind::pages {

namespace {
bool Contains(const std::vector<std::string>& pages, const std::string& page) {
  return std::find(pages.begin(), pages.end(), page) != pages.end();
}
}  // namespace

PageMemory::PageMemory(platform::FileSystem& files, platform::Shell& shell,
                       const platform::AnsiCodec& ansi, const platform::Clock& clock,
                       std::filesystem::path programFolder)
    : files_(files),
      ansi_(ansi),
      clock_(clock),
      folder_(std::move(programFolder)),
      history_(files, folder_),
      poller_(shell),
      reopener_(shell, files) {}

FileProblems PageMemory::EnsureFolder() {
  return EnsureLogFolder(files_, folder_);
}

FileProblems PageMemory::Load() {
  SlotMask read;
  PageSlots fromSlotFiles;
  auto problems = ReadPageSlots(files_, folder_, ansi_, fromSlotFiles, read);
  unreadSlotFiles_ = UnreadSlots(problems);
  // Files written by hand or by an earlier version may hold more than the memory records.
  for (std::size_t k = 0; k < fromSlotFiles.size(); ++k) {
    PlaceInSlot(lost_, k, RecordedAddress(fromSlotFiles[k]));
  }
  const auto recovered = ReadRecoveryCopy(files_, folder_, problems);
  if (recovered.problem) SetAsideUnreadCopy(problems.back());
  PageSlots recoveredSlots;
  for (std::size_t k = 0; k < recovered.pages.size(); ++k) {
    const auto page = RecordedAddress(recovered.pages[k]);
    PlaceInSlot(lost_, k, page);
    PlaceInSlot(recoveredSlots, k, page);
  }
  keepsRecoveryCopy_ = true;
  auto historyProblems = history_.Load();
  problems.insert(problems.end(), historyProblems.begin(), historyProblems.end());
  keepsHistory_ = true;
  TakeTitlesFromHistory();
  // Left by an end that wrote no slot files; an end the program saw kept this set already.
  KeepSet(recoveredSlots);
  // The browsers' pages as they last ran: sets of the history whose end is not known, and
  // still in the copy until the browsers' own files have been looked at.
  for (const auto& set : recovered.browserSets) (void)history_.Add(set);
  live_ = recovered.browserSets;
  const auto remembered = pages();
  if (!remembered.empty() || !recovered.pages.empty() || !live_.empty()) {
    if (auto error = WriteRecovery(remembered)) {
      // The slot files are then the only copy of their pages: they stay for the next start. A
      // copy that could not be moved aside has been reported already.
      const auto path = RecoveryCopyPath(folder_);
      if (!unreadCopyInPlace_) problems.push_back({path, error, -1, files_.DescribeError(error)});
      return problems;
    }
  }
  auto deleted = DeleteSlotFiles(files_, folder_, read);
  problems.insert(problems.end(), deleted.begin(), deleted.end());
  return problems;
}

void PageMemory::SetAsideUnreadCopy(FileProblem& problem) {
  unreadCopyInPlace_ = true;
  std::filesystem::path movedTo;
  if (auto error = MoveUnreadCopyAside(files_, problem.path, movedTo)) {
    problem.outcome = FileProblem::Outcome::kNotMovedAside;
    problem.moveReason = files_.DescribeError(error);
    return;
  }
  unreadCopyInPlace_ = false;
  if (!movedTo.empty()) {
    problem.outcome = FileProblem::Outcome::kMovedAside;
    problem.movedTo = movedTo;
  }
}

FileProblems PageMemory::Save() {
  auto problems = SavePageSlots(files_, folder_, ansi_, slots(), unreadSlotFiles_);
  // A copy the start could not read is the user's to look at: the end never deletes it.
  if (!problems.empty() || !keepsRecoveryCopy_ || unreadCopyInPlace_) return problems;
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
  if (!keepsRecoveryCopy_ || frozen_) return;
  auto now = pages();
  if (now == recoveryHolds_ && live_ == recoveryHoldsLive_) return;
  (void)WriteRecovery(now);
}

KeptPages PageMemory::KeepForEndWithoutSaving() {
  const auto now = pages();
  KeptPages kept{.count = now.size()};
  if (!keepsRecoveryCopy_) return kept;
  const auto holdsNow = [&] { return recoveryHolds_ == now && recoveryHoldsLive_ == live_; };
  if (!holdsNow()) (void)WriteRecovery(now);
  if (holdsNow()) kept.recoveryCopy = RecoveryCopyPath(folder_);
  return kept;
}

std::error_code PageMemory::WriteRecovery(const std::vector<std::string>& pages) {
  const auto path = RecoveryCopyPath(folder_);
  if (unreadCopyInPlace_) {
    std::filesystem::path movedTo;
    if (auto error = MoveUnreadCopyAside(files_, path, movedTo)) return error;
    unreadCopyInPlace_ = false;
  }
  auto error = files_.ReplaceFileContents(path, RecoveryCopyBytes(pages, live_));
  ++recoveryWrites_;
  // A failed write is tried again at the next change or the next second, whichever comes.
  if (!error) {
    recoveryHolds_ = pages;
    recoveryHoldsLive_ = live_;
  }
  return error;
}

PageMemory::TickOutcome PageMemory::Tick() {
  if (frozen_) return {};
  auto result = poller_.Tick();
  if (result.recorded) {
    // A lost page that a browser window shows again is that window's page now.
    const auto page = RecordedAddress(*result.recorded);
    ForgetLost(page);
    titles_[page] = RecordedTitle(result.recordedTitle);
  }
  if (result.cycleEnded && cyclesUntilReopenedForgotten_ > 0 &&
      --cyclesUntilReopenedForgotten_ == 0) {
    for (const auto& page : reopened_) ForgetLost(page);
    reopened_.clear();
  }
  PageSlots lostTogether;
  for (std::size_t k = 0; k < lostTogether.size(); ++k) {
    lostTogether[k] = RecordedAddress(result.lostTogether[k]);
  }
  RememberLost(lostTogether);
  KeepSet(lostTogether);
  if (result.cycleEnded) ForgetTitlesOfPagesGone();
  const bool lost = std::any_of(lostTogether.begin(), lostTogether.end(),
                                [](const std::string& page) { return !page.empty(); });
  return {std::move(result.view), lost};
}

void PageMemory::KeepSetOfEnd() {
  KeepSet(slots());
}

bool PageMemory::KeepBrowserSet(PageSet set) {
  if (!keepsHistory_ || !set.browser) return false;
  const auto source = set.browser->source;
  const auto session = set.browser->session;
  if (history_.LastSession(source) > session) return false;
  if (history_.LastSession(source) == session) {
    // Known already; only a set whose end was not known takes what is known now.
    const auto sets = history_.sets();
    const bool unknownEnd = std::any_of(sets.begin(), sets.end(), [&](const PageSet& kept) {
      return kept.browser && kept.browser->source == source && kept.browser->session == session &&
             kept.browser->end == browsers::BrowserEnd::kUnknown;
    });
    if (!unknownEnd || set.browser->end == browsers::BrowserEnd::kUnknown) return false;
  }
  // A set whose file cannot be written is kept for this run all the same; the next start finds
  // the session in the browser's files again.
  (void)history_.Add(std::move(set));
  return history_.LastSession(source) == session;
}

void PageMemory::MarkReopened(const PageSet& set) {
  if (keepsHistory_ && set.browser) {
    (void)history_.MarkReopened(set.browser->source, set.browser->session);
  }
}

void PageMemory::KeepSet(const PageSlots& pages) {
  if (!keepsHistory_) return;
  (void)history_.Add({.time = clock_.Now(), .pages = WithTitles(pages)});
}

// The slot files and the recovery copy hold addresses only.
void PageMemory::TakeTitlesFromHistory() {
  const auto remembered = pages();
  for (const auto& set : history_.sets()) {
    for (const auto& page : set.pages) {
      if (!page.title.empty() && Contains(remembered, page.address)) {
        titles_.try_emplace(page.address, RecordedTitle(page.title));
      }
    }
  }
}

void PageMemory::ForgetTitlesOfPagesGone() {
  const auto remembered = pages();
  std::erase_if(titles_, [&](const auto& entry) { return !Contains(remembered, entry.first); });
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

std::vector<std::string> PageMemory::OpenChosen(const std::vector<std::string>& addresses) {
  if (reopening_) return {};
  reopening_ = true;
  auto unopened = reopener_.Open(addresses);
  reopening_ = false;
  return unopened;
}

PageSlots PageMemory::slots() const {
  PageSlots slots = lost_;
  const auto& live = poller_.live();
  // The poller keeps what the shell said; the memory records it within its limit.
  for (std::size_t k = 0; k < live.size(); ++k) PlaceInSlot(slots, k, RecordedAddress(live[k]));
  return slots;
}

std::vector<std::string> PageMemory::pages() const {
  std::vector<std::string> pages;
  for (const auto& page : slots()) {
    if (!page.empty()) pages.push_back(page);
  }
  return pages;
}

std::vector<RememberedPage> PageMemory::rememberedPages() const {
  return WithTitles(slots());
}

std::vector<RememberedPage> PageMemory::WithTitles(const PageSlots& pages) const {
  std::vector<RememberedPage> remembered;
  for (const auto& page : pages) {
    if (page.empty()) continue;
    const auto title = titles_.find(page);
    remembered.push_back({page, title == titles_.end() ? std::string() : title->second});
  }
  return remembered;
}

std::vector<PageSet> PageMemory::history() const {
  return keepsHistory_ ? history_.sets() : std::vector<PageSet>{};
}

}  // namespace pagemind::pages
