#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/headless/journal.h"
#include "platform/headless/no_case.h"
#include "platform/programs.h"
#include "platform/user_folders.h"

namespace pagemind::platform::headless {

// App Paths registrations in memory, and starts recorded instead of made. The files the
// registrations and starts name are real files, on the disk a test prepares, so that a missing
// executable fails as it does on Windows.
class HeadlessPrograms final : public Programs {
 public:
  explicit HeadlessPrograms(Journal& journal) : journal_(journal) {}

  std::optional<std::filesystem::path> Find(std::string_view fileName) override;
  std::error_code Start(const std::filesystem::path& executable,
                        std::span<const std::string> arguments) override;

  // File name ("chrome.exe") to the path registered for it, per user and for the machine.
  std::map<std::string, std::filesystem::path, NoCaseLess> userRegistrations;
  std::map<std::string, std::filesystem::path, NoCaseLess> machineRegistrations;

  struct Started {
    std::filesystem::path executable;
    std::vector<std::string> arguments;
    // As Windows would have passed it (BuildCommandLine).
    std::string commandLine;
  };
  // Every start that succeeded, in order.
  std::vector<Started> started;
  // Set by a test: the next starts fail with it.
  std::error_code startError;

 private:
  Journal& journal_;
};

// The user's folders wherever a test puts them; a test sets `error` to make them unknown.
class HeadlessUserFolders final : public UserFolders {
 public:
  HeadlessUserFolders(std::filesystem::path local, std::filesystem::path roaming)
      : localAppData(std::move(local)), roamingAppData(std::move(roaming)) {}
  std::filesystem::path Locate(UserFolder folder, std::error_code& error) const override;

  std::filesystem::path localAppData;
  std::filesystem::path roamingAppData;
  std::error_code error;
};

}  // namespace pagemind::platform::headless
