#include "app/main_form.h"

#include <chrono>

#include "app/application.h"
#include "forms/save_with_dialog.h"
#include "settings/settings_file.h"

namespace pagemind::app {

using platform::ControlKind;
using platform::UnloadReason;

platform::FormLayout Main::Layout() {
  platform::FormLayout layout;
  layout.name = "Main";
  layout.caption = "Pagemind - アクセスログ";
  layout.clientWidth = 4875;
  layout.clientHeight = 3855;
  layout.border = platform::Border::kNone;
  layout.showInTaskbar = false;
  layout.controls = {
      {.id = kCommand1,
       .name = "Command1",
       .kind = ControlKind::kButton,
       .text = "OK",
       .rect = {720, 3360, 1335, 375},
       .isDefault = true},
      {.id = kCommand2,
       .name = "Command2",
       .kind = ControlKind::kButton,
       .text = "ログを保存...",
       .rect = {2640, 3360, 1335, 375}},
      {.id = kList1,
       .name = "List1",
       .kind = ControlKind::kListBox,
       .rect = {120, 120, 4575, 3120}},
      // Where the designer had the icon's callbacks arrive; the icon has a window of its own now,
      // and the control stays so that the window keeps the layout it always had.
      {.id = kPicture1,
       .name = "Picture1",
       .kind = ControlKind::kPictureBox,
       .rect = {3840, 0, 255, 255},
       .visible = false},
      {.id = kLabel1,
       .name = "Label1",
       .text = "Count:00",
       .rect = {4080, 3600, 855, 255},
       .visible = false},
  };
  return layout;
}

namespace {
constexpr std::chrono::milliseconds kPollInterval{100};
// The recovery copy follows the memory at most this often: a page is at most this much older
// on disk than in memory when the program is killed.
constexpr std::chrono::milliseconds kRecoveryInterval{1000};
}  // namespace

Main::Main(platform::Ports ports, Application& application)
    : ports_(ports),
      application_(application),
      pageMemory_(ports.files, ports.shell, ports.ansi, ports.clock, ports.program.Folder(),
                  accessLog_),
      selection_(ports, pageMemory_),
      logonStart_(ports) {}

void Main::Load() {
  form_ = ports_.ui.CreateForm(Layout(), *this);
  accessLog_.SetView(this);
  // The poll timer runs from the window's creation; its ticks are handled once the loading
  // below has returned to the event loop.
  form_->StartTimer(kTimer1, kPollInterval);
  form_->StartTimer(kRecoveryTimer, kRecoveryInterval);
  Form_Load();
}

void Main::Form_Load() {
  const settings::SettingsFile settings(ports_.profile, ports_.program.Folder());
  if (settings::SwitchedOn(settings.DebugMode())) form_->SetControlVisible(kLabel1, true);
  startupProblems_ = pageMemory_.EnsureFolder();
  useLog_ = settings::SwitchedOn(settings.Log());
  // Without its folder no slot file can be read; the folder's problem is the one to report.
  if (useLog_ && startupProblems_.empty()) startupProblems_ = pageMemory_.Load();
  form_->RemoveCloseFromSystemMenu();
  pageMemory_.ResetCursor();
  trayIcon_.emplace(ports_.notifyArea, ports_.ui, *form_, static_cast<tray::TrayCommands&>(*this));
  trayIcon_->Register(ports_.program.ProgramVersion());
}

void Main::ReportStartupProblems() {
  if (startupProblems_.empty()) return;
  const auto text = pages::StartupProblemsMessage(startupProblems_);
  startupProblems_.clear();
  ports_.ui.ShowMessage(text, platform::MessageIcon::kStop);
}

bool Main::Form_QueryUnload(UnloadReason reason) const {
  return reason == UnloadReason::kUserClose;
}

void Main::Form_Unload() {
  pageMemory_.ReleasePolledBrowser();
  if (trayIcon_) trayIcon_->Remove();
  ports_.ui.ProcessPendingEvents();
}

bool Main::Unload(UnloadReason reason) {
  if (!form_ || Form_QueryUnload(reason)) return false;
  Form_Unload();
  trayIcon_.reset();
  accessLog_.SetView(nullptr);
  form_.reset();
  return true;
}

void Main::Form_Terminate() {
  application_.EndProgram();
}

void Main::Timer1_Timer() {
  // The crash is told once, at the tick that saw it; a modal window of the program has the
  // user's attention then, and a balloon beside it would only compete with it.
  if (pageMemory_.Tick() && trayIcon_ && !ports_.ui.InModalLoop()) {
    trayIcon_->ShowCrashBalloon(pageMemory_.pages().size());
  }
}

void Main::CommandChosen(tray::MenuCommand command) {
  // A switch that opens no window: it runs at once and leaves a window that shows as it is.
  if (command == tray::kCommandStartAtLogon) return logonStart_.Switch();
  if (CloseIfShown(command)) return;
  application_.CloseModalWindows();
  if (selection_.IsShown()) selection_.Unload();
  ports_.ui.Post([this, command] { RunCommand(command); });
}

bool Main::CloseIfShown(tray::MenuCommand command) {
  switch (command) {
    case tray::kCommandShowLog:
      if (!form_->IsVisible()) return false;
      form_->SetVisible(false);
      return true;
    case tray::kCommandShowSettings:
      if (!application_.settings().IsShown()) return false;
      application_.settings().Unload();
      return true;
    case tray::kCommandShowVersion:
      if (!application_.about().IsShown()) return false;
      application_.about().Unload();
      return true;
    case tray::kCommandChoosePages:
      if (!selection_.IsShown()) return false;
      selection_.Unload();
      return true;
    default:
      return false;
  }
}

void Main::RunCommand(tray::MenuCommand command) {
  switch (command) {
    case tray::kCommandPagemind:
      return CommandPagemind_Click();
    case tray::kCommandChoosePages:
      return CommandChoosePages_Click();
    case tray::kCommandShowLog:
      return CommandShowLog_Click();
    case tray::kCommandShowSettings:
      return CommandShowSettings_Click();
    case tray::kCommandShowVersion:
      return CommandShowVersion_Click();
    case tray::kCommandEnd:
      return CommandEnd_Click();
    case tray::kCommandStartAtLogon:
      return logonStart_.Switch();
  }
}

void Main::CommandPagemind_Click() {
  const auto unopened = pageMemory_.ReopenAll();
  if (!unopened.empty()) {
    ports_.ui.ShowMessage(pages::UnopenedPagesMessage(unopened), platform::MessageIcon::kStop);
  }
}

void Main::CommandChoosePages_Click() {
  if (selection_.IsVisibleLoadingIfNeeded()) return selection_.Unload();
  selection_.ShowModal();
}

void Main::CommandShowLog_Click() {
  form_->SetVisible(!form_->IsVisible());
}

void Main::CommandShowSettings_Click() {
  auto& settings = application_.settings();
  if (settings.IsVisibleLoadingIfNeeded()) return settings.Unload();
  settings.ShowModal();
}

void Main::CommandShowVersion_Click() {
  auto& about = application_.about();
  if (about.IsVisibleLoadingIfNeeded()) return about.Unload();
  about.ShowModal();
}

void Main::CommandEnd_Click() {
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
    const auto answer = ports_.ui.AskYesNo(pages::EndWithoutSavingQuestion(problems, kept));
    if (answer == platform::Answer::kNo) return pageMemory_.Resume();
  }
  pageMemory_.KeepSetOfEnd();
  Form_Terminate();
}

void Main::OnCommand(int commandId) {
  switch (commandId) {
    case tray::kCommandPagemind:
    case tray::kCommandChoosePages:
    case tray::kCommandShowLog:
    case tray::kCommandShowSettings:
    case tray::kCommandShowVersion:
    case tray::kCommandEnd:
    case tray::kCommandStartAtLogon:
      return CommandChosen(static_cast<tray::MenuCommand>(commandId));
    default:
      return;
  }
}

void Main::OnTimer(int timerId) {
  if (timerId == kTimer1) Timer1_Timer();
  if (timerId == kRecoveryTimer) pageMemory_.WriteRecoveryIfChanged();
}

void Main::OnClick(int controlId) {
  if (controlId == kCommand1) return Command1_Click();
  if (controlId == kCommand2) return Command2_Click();
}

void Main::Command1_Click() {
  form_->SetVisible(false);
}

void Main::Command2_Click() {
  SaveWithDialog(
      ports_, *form_, access_log::SaveDialogOptions({}), lastSavePath_,
      [this] { return accessLog_.FileBytes(ports_.ansi); }, "ログを保存できませんでした。");
}

void Main::OnCloseRequest(UnloadReason reason) {
  if (Form_QueryUnload(reason)) return;
  // Windows ends the session, or another program asks the program to end: the pages go to the
  // recovery copy, and no message may stop it. Ending from inside a nested loop is sound, as
  // the process goes with it.
  pageMemory_.WriteRecoveryIfChanged();
  pageMemory_.KeepSetOfEnd();
  if (!Unload(reason)) return;
  // The slot files stand for an orderly end and are not written on this path.
  application_.EndProcessNow();
}

void Main::LineInsertedAtTop(std::string_view line) {
  form_->InsertLineAtTop(kList1, line);
}

void Main::LastLineRemoved() {
  form_->RemoveLastLine(kList1);
}

void Main::Cleared() {
  form_->ClearLines(kList1);
}

void Main::CounterChanged(std::string_view text) {
  form_->SetText(kLabel1, text);
}

}  // namespace pagemind::app
