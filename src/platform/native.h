#pragma once

#include <memory>

#include "platform/ansi.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace pagemind::platform {

// The implementations of the build's own platform (win32 or headless), for the parts that work
// the same on both and are tested against each, and for the tools (fuzzers, benchmarks) that
// run them. The program itself reaches them only through its Ports.
std::unique_ptr<Profile> MakeProfile();
// The system's ANSI code page on Windows; code page 932 on the headless platform.
std::unique_ptr<AnsiCodec> MakeAnsiCodec();
std::unique_ptr<FileSystem> MakeFileSystem();

}  // namespace pagemind::platform
