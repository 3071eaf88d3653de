#include "platform/headless/headless_programs.h"

#include "common/paths.h"
#include "platform/command_line.h"

namespace pagemind::platform::headless {

namespace {

bool IsProgramFile(const std::filesystem::path& path) {
  std::error_code error;
  return path.is_absolute() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::optional<std::filesystem::path> HeadlessPrograms::Find(std::string_view fileName) {
  journal_.Record("find program " + std::string(fileName));
  for (const auto* registrations : {&userRegistrations, &machineRegistrations}) {
    const auto found = registrations->find(std::string(fileName));
    if (found != registrations->end() && IsProgramFile(found->second)) return found->second;
  }
  return std::nullopt;
}

std::error_code HeadlessPrograms::Start(const std::filesystem::path& executable,
                                        std::span<const std::string> arguments) {
  std::string line;
  if (const auto error = BuildCommandLine(Utf8FromPath(executable), arguments, line)) return error;
  journal_.Record("start " + line);
  if (startError) return startError;
  if (!IsProgramFile(executable)) return std::make_error_code(std::errc::no_such_file_or_directory);
  started.push_back({executable, {arguments.begin(), arguments.end()}, line});
  return {};
}

std::filesystem::path HeadlessUserFolders::Locate(UserFolder folder, std::error_code& error) const {
  error = this->error;
  if (error) return {};
  return folder == UserFolder::kLocalAppData ? localAppData : roamingAppData;
}

}  // namespace pagemind::platform::headless
