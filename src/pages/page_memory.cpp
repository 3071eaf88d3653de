#include "pages/page_memory.h"

namespace pagemind::pages {

PageMemory::PageMemory(platform::FileSystem& files, platform::Shell& shell,
                       const platform::AnsiCodec& ansi, std::filesystem::path programFolder,
                       access_log::AccessLog& log)
    : files_(files),
      ansi_(ansi),
      folder_(std::move(programFolder)),
      poller_(shell, log),
      reopener_(shell) {}

FileProblems PageMemory::EnsureFolder() {
  return EnsureLogFolder(files_, folder_);
}

FileProblems PageMemory::Load() {
  auto problems = LoadPageSlots(files_, folder_, ansi_, slots_);
  unreadSlotFiles_ = UnreadSlots(problems);
  return problems;
}

FileProblems PageMemory::Save() const {
  return SavePageSlots(files_, folder_, ansi_, slots_, unreadSlotFiles_);
}

}  // namespace pagemind::pages
