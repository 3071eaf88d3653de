#include "platform/native.h"

#include "platform/win32/ansi_codec.h"
#include "platform/win32/files.h"
#include "platform/win32/ini_profile.h"

namespace pagemind::platform {

std::unique_ptr<Profile> MakeProfile() {
  return std::make_unique<win32::IniProfile>();
}

std::unique_ptr<AnsiCodec> MakeAnsiCodec() {
  return std::make_unique<win32::AnsiCodePageCodec>();
}

std::unique_ptr<FileSystem> MakeFileSystem() {
  return std::make_unique<win32::WindowsFileSystem>();
}

}  // namespace pagemind::platform
