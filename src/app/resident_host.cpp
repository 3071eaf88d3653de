#include "app/resident_host.h"

#include "app/access_log_entries.h"
#include "app/browser_messages.h"
#include "app/page_memory_messages.h"
#include "forms/unopened_pages_message.h"
#include "settings/settings_file.h"

namespace pagemind::app {

using platform::UnloadReason;
using tray::MenuCommand;

ResidentHost::ResidentHost(platform::Ports ports)
    : ports_(ports),
      pageMemory_(ports.files, ports.shell, ports.ansi, ports.clock, ports.program.Folder()),
      browserPages_(ports),
      main_(ports, accessLog_, *this),
      selection_(
          ports, pageMemory_,
          [this](const pages::ChosenGroup& group) { return browserPages_.OpenChosen(group); }),
      settings_(ports),
      about_(ports),
      logonStart_(ports),
      commands_(CommandTable()) {}

// Adding a command to the tray menu: a row here, its handler, and its item in tray_menu.cpp.
std::vector<TrayCommand> ResidentHost::CommandTable() {
  using Runs = TrayCommand::Runs;
  return {
      {.id = tray::kReopenPages, .action = [this] { CommandPagemind_Click(); }},
      {.id = tray::kChoosePages,
       .windowShown = [this] { return selection_.IsShown(); },
       .closeWindow = [this] { selection_.Unload(); },
       .action = [this] { CommandChoosePages_Click(); }},
      {.id = tray::kToggleAccessLog,
       .windowShown = [this] { return main_.IsShown(); },
       .closeWindow = [this] { main_.Close(); },
       .action = [this] { CommandShowLog_Click(); }},
      {.id = tray::kToggleSettings,
       .windowShown = [this] { return settings_.IsShown(); },
       .closeWindow = [this] { settings_.Unload(); },
       .action = [this] { CommandShowSettings_Click(); }},
      {.id = tray::kToggleAbout,
       .windowShown = [this] { return about_.IsShown(); },
       .closeWindow = [this] { about_.Unload(); },
       .action = [this] { CommandShowVersion_Click(); }},
      {.id = tray::kSwitchStartAtLogon,
       .runs = Runs::kAtOnce,
       .action = [this] { CommandLogonStart_Click(); }},
      {.id = tray::kEndProgram, .action = [this] { CommandEnd_Click(); }},
  };
}

void ResidentHost::Start() {
  main_.Load();
  startupProblems_ = pageMemory_.EnsureFolder();
  const settings::SettingsFile settings(ports_.profile, ports_.program.Folder());
  pageMemoryOn_ = settings::SwitchedOn(settings.Log());
  // Without its folder no slot file can be read; the folder's problem is the one to report.
  if (pageMemoryOn_ && startupProblems_.empty()) startupProblems_ = pageMemory_.Load();
  // The browsers' sessions are kept in the history, which only a run with page memory keeps.
  browserPages_.Start(pageMemoryOn_ && settings::WatchesBrowsers(settings.Browsers()));
  pageMemory_.ResetCursor();
  trayIcon_.emplace(ports_.notifyArea, ports_.ui, main_.form(),
                    static_cast<tray::TrayCommands&>(*this));
  trayIcon_->Register(ports_.program.ProgramVersion());
}

void ResidentHost::ReportStartupProblems() {
  if (startupProblems_.empty()) return;
  const auto text = StartupProblemsMessage(startupProblems_);
  startupProblems_.clear();
  ports_.ui.ShowMessage(text, platform::MessageIcon::kStop);
}

void ResidentHost::CommandChosen(MenuCommand command) {
  const auto* row = FindTrayCommand(commands_, command);
  if (row == nullptr) return;
  if (row->runs == TrayCommand::Runs::kAtOnce) return row->action();
  if (row->windowShown && row->windowShown()) return row->closeWindow();
  CloseModalWindows();
  ports_.ui.Post(row->action);
}

void ResidentHost::CommandPosted(int commandId) {
  CommandChosen(static_cast<MenuCommand>(commandId));
}

void ResidentHost::CloseModalWindows() {
  if (settings_.IsShown()) settings_.Unload();
  if (about_.IsShown()) about_.Unload();
  if (selection_.IsShown()) selection_.Unload();
}

void ResidentHost::PollTimerTicked() {
  // The crash is told once, at the tick that saw it; a modal window of the program has the
  // user's attention then, and a balloon beside it would only compete with it.
  const auto tick = pageMemory_.Tick();
  WriteToAccessLog(accessLog_, tick.view);
  const auto browserSets = browserPages_.Tick(pageMemory_, accessLog_);
  if (!trayIcon_ || ports_.ui.InModalLoop()) return;
  if (tick.lostTogether) {
    trayIcon_->ShowCrashBalloon(ReopenedPageCount());
  } else if (!browserSets.empty()) {
    trayIcon_->ShowCrashBalloon(ReopenedPageCount(), BrowserEndCause(browserSets.front()));
  }
}

std::size_t ResidentHost::ReopenedPageCount() const {
  return pageMemory_.pages().size() + BrowserPages::OfferedPages(pageMemory_);
}

void ResidentHost::RecoveryTimerTicked() {
  pageMemory_.WriteRecoveryIfChanged();
}

void ResidentHost::CommandPagemind_Click() {
  auto unopened = pageMemory_.ReopenAll();
  const auto fromBrowsers = browserPages_.ReopenOffered(pageMemory_);
  unopened.insert(unopened.end(), fromBrowsers.begin(), fromBrowsers.end());
  if (!unopened.empty()) {
    ports_.ui.ShowMessage(UnopenedPagesMessage(unopened), platform::MessageIcon::kStop);
  }
}

void ResidentHost::CommandChoosePages_Click() {
  if (selection_.IsVisibleLoadingIfNeeded()) return selection_.Unload();
  selection_.ShowModal();
}

void ResidentHost::CommandShowLog_Click() {
  main_.Toggle();
}

void ResidentHost::CommandShowSettings_Click() {
  if (settings_.IsVisibleLoadingIfNeeded()) return settings_.Unload();
  settings_.ShowModal();
}

void ResidentHost::CommandShowVersion_Click() {
  if (about_.IsVisibleLoadingIfNeeded()) return about_.Unload();
  about_.ShowModal();
}

void ResidentHost::CommandLogonStart_Click() {
  logonStart_.Switch();
}

void ResidentHost::CommandEnd_Click() {
  // The timers still fire while the windows unload: a page recorded after the save, or a
  // recovery copy written again after the save removed it, would tell the next start of an end
  // it never saw.
  pageMemory_.Freeze();
  const auto problems = pageMemory_.Save();
  if (!problems.empty()) {
    // A problem that lasts (a file named Log, a read-only folder, a file held open) would fail
    // every end alike: the user may end without the slot files, with the recovery copy kept for
    // the next start. いいえ stays resident with the pages in memory, to make room and end again.
    const auto kept = pageMemory_.KeepForEndWithoutSaving();
    const auto answer = ports_.ui.AskYesNo(EndWithoutSavingQuestion(problems, kept));
    if (answer == platform::Answer::kNo) return pageMemory_.Resume();
  }
  pageMemory_.KeepSetOfEnd();
  EndProgram(UnloadReason::kProgram);
}

void ResidentHost::EndRequested(UnloadReason reason) {
  // Windows ends the session, or another program asks the program to end: the pages go to the
  // recovery copy, and no message may stop it. Ending from inside a nested loop is sound, as
  // the process goes with it. The slot files stand for an orderly end and are not written.
  if (reason == UnloadReason::kWindowsSession) {
    pageMemory_.EndLiveBrowserSets(browsers::BrowserEnd::kSessionEnded);
  }
  pageMemory_.WriteRecoveryIfChanged();
  pageMemory_.KeepSetOfEnd();
  // The copy now holds the set just kept: ticks while the windows unload must not make the next
  // start find another set in it.
  pageMemory_.Freeze();
  EndProgram(reason);
}

void ResidentHost::EndProgram(UnloadReason reason) {
  pageMemory_.ReleasePolledBrowser();
  if (trayIcon_) trayIcon_->Remove();
  // The unload lets waiting events run, as the window's own unload always did; the ticks that
  // come meanwhile are handled like any other.
  ports_.ui.ProcessPendingEvents();
  main_.Unload(reason);
  trayIcon_.reset();
  if (settings_.loaded()) settings_.Unload();
  // The about window, if loaded, goes with the process.
  ports_.program.EndProcess();
}

}  // namespace pagemind::app
