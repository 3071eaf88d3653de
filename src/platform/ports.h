#pragma once

#include "platform/ansi.h"
#include "platform/notify_area.h"
#include "platform/profile.h"
#include "platform/program.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace pagemind::platform {

// Everything the behaviour reaches the operating system through. The file functions of
// platform/files.h are free functions: each build links exactly one implementation.
struct Ports {
  ProgramFacts& program;
  Ui& ui;
  Profile& profile;
  AnsiCodec& ansi;
  Shell& shell;
  NotifyArea& notifyArea;
};

}  // namespace pagemind::platform
