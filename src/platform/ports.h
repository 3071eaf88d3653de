#pragma once

#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/notify_icon.h"
#include "platform/profile.h"
#include "platform/program.h"
#include "platform/programs.h"
#include "platform/run_at_logon.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "platform/user_folders.h"

namespace pagemind::platform {

// Everything the behaviour reaches the operating system through, and the only way it does.
struct Ports {
  ProgramFacts& program;
  Ui& ui;
  Profile& profile;
  AnsiCodec& ansi;
  Shell& shell;
  NotifyArea& notifyArea;
  FileSystem& files;
  Clock& clock;
  RunAtLogon& runAtLogon;
  UserFolders& userFolders;
  Programs& programs;
};

}  // namespace pagemind::platform
