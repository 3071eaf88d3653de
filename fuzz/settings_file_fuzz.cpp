// A settings file with anything in it: the reads give a value and the writes keep the file
// readable.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/native.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto profile = pagemind::platform::MakeProfile();
  static const auto file = std::filesystem::temp_directory_path() /
                           ("pagemind-fuzz-" + std::to_string(getpid()) + ".ini");
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  (void)profile->ReadInt(file, "Settings", "Logo", 1);
  (void)profile->ReadInt(file, "Debug", "DebugMode", 0);
  if (!profile->WriteString(file, "Settings", "Log", "0")) __builtin_trap();
  if (profile->ReadInt(file, "Settings", "Log", 7) != 0) __builtin_trap();
  return 0;
}
