#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "pages/page_history.h"
#include "pages/page_slots.h"
#include "pages/poller.h"
#include "pages/reopen.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace pagemind::pages {

// The remembered pages for the whole run: the poller that follows the browser's windows, the
// pages that were lost together, the slot files that carry them from one run to the next, the
// recovery copy that carries them past an end the program does not see, and the command that
// opens them again.
//
// What a slot means: a slot holds a remembered page or nothing. A page lost together (in a
// browser crash, or a page of the last run) keeps the slot it had, which is the position its
// window had in the shell's collection, until a browser window shows it again or, once it has
// been opened again, until two cycles later, when its new window has been recorded. The pages
// of the browser windows open now take the slot of their position where that is free, and the
// first free slot where it is not, so slots no longer always equal collection positions.
//
// The history keeps the sets of pages lost together and those of each end, for the user to
// choose from; it is read and written only in a run that took the last run's pages.
class PageMemory {
 public:
  PageMemory(platform::FileSystem& files, platform::Shell& shell, const platform::AnsiCodec& ansi,
             const platform::Clock& clock, std::filesystem::path programFolder);

  // Makes the Log folder when it is missing.
  FileProblems EnsureFolder();
  // Takes the pages of the last run: the slot files of an orderly end and the recovery copy of
  // any end, which becomes a set of the history (an end the program did not see), and reads
  // the history. Their pages are made safe in the recovery copy before the slot files read are
  // deleted; files that could not be read stay on disk. From now on the recovery copy follows
  // the memory.
  FileProblems Load();
  // Writes all 31 slot files; a file the load could not read is kept while its slot is empty.
  // Once they are safe the recovery copy has done its work and goes.
  [[nodiscard]] FileProblems Save();
  // Replaces the recovery copy when the remembered pages differ from what it holds.
  void WriteRecoveryIfChanged();
  // Stops the memory where it stands for the end: ticks record nothing and the recovery copy
  // is not written again, so what the end saves is what the next start finds, whatever timer
  // still fires while the windows go. Resume lets it run again when the end is called off.
  void Freeze() { frozen_ = true; }
  void Resume() { frozen_ = false; }
  // For an end after a failed Save: brings the recovery copy up to date and says what it holds
  // for the next start.
  KeptPages KeepForEndWithoutSaving();

  // Keeps the pages remembered now as a set of the history, at an end of the program. A
  // history file that cannot be written costs no page: the slot files or the recovery copy
  // hold them all the same.
  void KeepSetOfEnd();

  // Keeps a browser session's set in the history (see PageHistory::Add); true when it was
  // kept, false when the history is not kept in this run or holds that session already.
  bool KeepBrowserSet(PageSet set);
  // The newest session of a browser profile that the history holds with how it ended; 0 for
  // none. A session kept while its browser ran is read again at its end.
  [[nodiscard]] std::int64_t LastBrowserSession(const PageSource& source) const {
    return history_.LastSession(source, true);
  }
  // Notes that a browser session's set has been opened again, so that the one-step reopen does
  // not open it twice.
  void MarkReopened(const PageSet& set);
  // The pages of the browsers that run now and can be followed (one set per profile): they are
  // among the pages remembered now, and the recovery copy holds them.
  void SetLiveBrowserSets(std::vector<PageSet> sets) { live_ = std::move(sets); }
  [[nodiscard]] const std::vector<PageSet>& liveBrowserSets() const { return live_; }
  // The Windows session ends while those browsers run: the recovery copy says so, and when,
  // and the next start keeps their pages as ended with it.
  void EndLiveBrowserSets(browsers::BrowserEnd end) {
    for (auto& set : live_) {
      set.browser->end = end;
      set.time = clock_.Now();
    }
  }

  // One visit of the poller: what it saw, and whether it saw the browser's windows vanish
  // together, their pages joining those remembered as lost.
  struct TickOutcome {
    PollerView view;
    bool lostTogether = false;
  };
  TickOutcome Tick();
  void ResetCursor() { poller_.SetCursor(0); }
  void ReleasePolledBrowser() { poller_.ReleasePolledBrowser(); }

  // Opens every remembered page again, in slot order; returns those that could not be opened,
  // which stay remembered as lost. A reopen asked for while one runs opens nothing.
  std::vector<std::string> ReopenAll();
  // Opens the pages the user chose, in their order, as the reopen opens its pages; returns
  // those that could not be opened. Their memory is left as it is.
  std::vector<std::string> OpenChosen(const std::vector<std::string>& addresses);

  [[nodiscard]] PageSlots slots() const;
  [[nodiscard]] std::vector<std::string> pages() const;
  // The pages of slots(), in order, with their titles.
  [[nodiscard]] std::vector<RememberedPage> rememberedPages() const;
  // Newest first; empty while the history is not kept.
  [[nodiscard]] std::vector<PageSet> history() const;
  [[nodiscard]] int cursor() const { return poller_.cursor(); }
  [[nodiscard]] int recoveryWrites() const { return recoveryWrites_; }

 private:
  void RememberLost(const PageSlots& pages);
  void ForgetLost(const std::string& page);
  void KeepSet(const PageSlots& pages);
  void ForgetTitlesOfPagesGone();
  void TakeTitlesFromHistory();
  // The pages of the slots, in order, each with the last title it showed.
  [[nodiscard]] std::vector<RememberedPage> WithTitles(const PageSlots& pages) const;
  std::error_code WriteRecovery(const std::vector<std::string>& pages);
  // Moves the recovery copy the start could not read out of the way of a new one; says in the
  // start's problem where it went, or that it stays as it is.
  void SetAsideUnreadCopy(FileProblem& problem);

  platform::FileSystem& files_;
  const platform::AnsiCodec& ansi_;
  const platform::Clock& clock_;
  std::filesystem::path folder_;
  PageSlots lost_;
  // Pages opened again, forgotten as lost once this many more cycles have ended.
  std::vector<std::string> reopened_;
  int cyclesUntilReopenedForgotten_ = 0;
  // Slot files the start could not read: kept on disk for the next start while their slot
  // holds nothing newer.
  SlotMask unreadSlotFiles_;
  // Only a run that took the last run's pages keeps a recovery copy: with page memory off the
  // copy is neither read, written nor deleted.
  bool keepsRecoveryCopy_ = false;
  std::vector<std::string> recoveryHolds_;
  std::vector<PageSet> recoveryHoldsLive_;
  std::vector<PageSet> live_;
  // The copy the start could not read still lies under its own name (another program holds
  // it, say): it may hold the only copy of pages, so nothing replaces or deletes it, and it is
  // moved aside before a new copy is written.
  bool unreadCopyInPlace_ = false;
  bool frozen_ = false;
  int recoveryWrites_ = 0;
  bool reopening_ = false;
  PageHistory history_;
  bool keepsHistory_ = false;
  // The last title each remembered page showed with.
  std::map<std::string, std::string> titles_;
  Poller poller_;
  Reopener reopener_;
};

}  // namespace pagemind::pages
