#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/headless/files.h"
#include "platform/headless/headless_notify_area.h"
#include "platform/headless/headless_programs.h"
#include "platform/headless/headless_run_at_logon.h"
#include "platform/headless/headless_ui.h"
#include "platform/headless/journal.h"
#include "platform/headless/scripted_shell.h"
#include "platform/ports.h"

namespace pagemind::platform::headless {

std::unique_ptr<AnsiCodec> MakeIconvAnsiCodec(const std::string& codePage);
std::unique_ptr<Profile> MakeIniProfile(Journal* journal, FileSystem& files);

class HeadlessProgram final : public ProgramFacts {
 public:
  HeadlessProgram(Journal& journal, std::filesystem::path folder)
      : journal_(journal), folder_(std::move(folder)) {}
  bool AnotherInstanceRunning() override { return anotherInstance; }
  [[nodiscard]] std::filesystem::path Folder() const override { return folder_; }
  [[nodiscard]] std::filesystem::path ExecutablePath() const override {
    return folder_ / "pagemind.exe";
  }
  [[nodiscard]] Version ProgramVersion() const override { return version; }
  void EndProcess() override {
    journal_.Record("end process");
    ended_ = true;
    if (onEnd) onEnd();
  }
  [[nodiscard]] bool ended() const { return ended_; }

  bool anotherInstance = false;
  Version version{1, 0, 0};
  // What else goes with the process.
  std::function<void()> onEnd;

 private:
  Journal& journal_;
  std::filesystem::path folder_;
  bool ended_ = false;
};

// A clock that stands still until a test moves it, in a zone of fixed offset (Japan's).
class HeadlessClock final : public Clock {
 public:
  [[nodiscard]] std::int64_t Now() const override { return now; }
  [[nodiscard]] LocalTime ToLocal(std::int64_t seconds) const override;

  std::int64_t now = 1'796'601'600;  // 2026-12-07 00:00 UTC
  int utcOffsetMinutes = 9 * 60;
};

// Every port in memory, with the program folder in a real folder so that file code runs for
// real.
class HeadlessPlatform {
 public:
  explicit HeadlessPlatform(std::filesystem::path programFolder);
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  Ports ports() {
    return Ports{program, ui,    *profile,   *ansi,       shell,   notifyArea,
                 files,   clock, runAtLogon, userFolders, programs};
  }

  Journal journal;
  // Before the profile, which writes its file through it.
  PosixFileSystem files{&journal};
  HeadlessProgram program;
  HeadlessUi ui;
  std::unique_ptr<Profile> profile;
  std::unique_ptr<AnsiCodec> ansi;
  ScriptedShell shell;
  HeadlessNotifyArea notifyArea{journal, ui};
  HeadlessClock clock;
  HeadlessRunAtLogon runAtLogon{journal};
  // Inside the program's folder, so that a test's files there are the user's too; not made.
  HeadlessUserFolders userFolders{program.Folder() / "AppData" / "Local",
                                  program.Folder() / "AppData" / "Roaming"};
  HeadlessPrograms programs{journal};
};

}  // namespace pagemind::platform::headless
