#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "access_log/access_log.h"
#include "pages/page_slots.h"
#include "pages/poller.h"
#include "pages/reopen.h"
#include "platform/ansi.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace pagemind::pages {

// The remembered pages for the whole run: the 31 slots, the poller that fills them from the
// shell's browser windows, the slot files that carry them from one run to the next, and the
// command that opens them again.
class PageMemory {
 public:
  PageMemory(platform::FileSystem& files, platform::Shell& shell, const platform::AnsiCodec& ansi,
             std::filesystem::path programFolder, access_log::AccessLog& log);

  // Makes the Log folder when it is missing.
  FileProblems EnsureFolder();
  // Takes the pages of the last orderly end from the slot files, which are deleted. Files that
  // could not be read stay on disk and are remembered as such.
  FileProblems Load();
  // Writes all 31 slot files; a file the load could not read is kept while its slot is empty.
  [[nodiscard]] FileProblems Save() const;

  // One visit of the poller.
  void Tick() { poller_.Tick(slots_); }
  void ResetCursor() { poller_.SetCursor(0); }
  void ReleasePolledBrowser() { poller_.ReleasePolledBrowser(); }

  // Opens every remembered page again; returns those that could not be opened.
  std::vector<std::string> ReopenAll() { return reopener_.ReopenAll(slots_); }

  [[nodiscard]] const PageSlots& slots() const { return slots_; }
  [[nodiscard]] int cursor() const { return poller_.cursor(); }

 private:
  platform::FileSystem& files_;
  const platform::AnsiCodec& ansi_;
  std::filesystem::path folder_;
  PageSlots slots_;
  // Slot files the start could not read: kept on disk for the next start while their slot
  // holds nothing newer.
  SlotMask unreadSlotFiles_;
  Poller poller_;
  Reopener reopener_;
};

}  // namespace pagemind::pages
