#include "app/main_form.h"

#include "app/application.h"

#include <chrono>
#include "common/paths.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "tray/access_log_file.h"
#include "tray/menu_commands.h"
#include "tray/tray_menu.h"

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
// How often a refused icon is offered to the shell again (no taskbar yet, say).
constexpr std::chrono::milliseconds kTrayRetryInterval{2000};
}  // namespace

Main::Main(platform::Ports ports, Application& application)
    : ports_(ports),
      application_(application),
      poller_(ports.shell, pageSlots_, pollIndex_, *this),
      reopener_(ports.shell) {}

void Main::Load() {
  form_ = ports_.ui.CreateForm(Layout(), *this);
  // The poll timer runs from the window's creation; its ticks are handled once the loading
  // below has returned to the event loop.
  form_->StartTimer(kTimer1, kPollInterval);
  Form_Load();
}

void Main::Form_Load() {
  const auto folder = ports_.program.Folder();
  const settings::SettingsFile settings(ports_.profile, folder);
  if (settings::SwitchedOn(settings.DebugMode())) form_->SetControlVisible(kLabel1, true);
  startupProblems_ = pages::EnsureLogFolder(ports_.files, folder);
  useLog_ = settings::SwitchedOn(settings.Log());
  // Without its folder no slot file can be read; the folder's problem is the one to report.
  if (useLog_ && startupProblems_.empty()) {
    startupProblems_ = pages::LoadPageSlots(ports_.files, folder, ports_.ansi, pageSlots_);
    unreadSlotFiles_ = pages::UnreadSlots(startupProblems_);
  }
  form_->RemoveCloseFromSystemMenu();
  pollIndex_ = 0;
  RegisterTrayIcon();
}

void Main::RegisterTrayIcon() {
  trayIcon_.emplace(ports_.notifyArea, *form_, kPicture1,
                    tray::MakeTrayIconRecord(ports_.program.ProgramVersion(), ports_.ansi));
  // Without its icon the program cannot be reached at all, so a refusal is tried again.
  if (!trayIcon_->Register()) form_->StartTimer(kTrayRetryTimer, kTrayRetryInterval);
}

void Main::OnTaskbarCreated() {
  if (trayIcon_ && !trayIcon_->Register()) {
    form_->StartTimer(kTrayRetryTimer, kTrayRetryInterval);
  }
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
  poller_.ReleasePolledBrowser();
  if (trayIcon_) trayIcon_->Remove();
  ports_.ui.ProcessPendingEvents();
}

bool Main::Unload(UnloadReason reason) {
  if (!form_ || Form_QueryUnload(reason)) return false;
  Form_Unload();
  form_.reset();
  return true;
}

void Main::CommandEnd_Click() {
  const auto problems = pages::SavePageSlots(ports_.files, ports_.program.Folder(), ports_.ansi,
                                             pageSlots_, unreadSlotFiles_);
  if (!problems.empty()) {
    // Staying resident keeps the pages in memory, so the user can make room and end again.
    ports_.ui.ShowMessage(pages::SaveProblemsMessage(problems), platform::MessageIcon::kStop);
    return;
  }
  Form_Terminate();
}

void Main::Form_Terminate() {
  // Ends the process: nothing of `this` is used after the call.
  application_.EndProgram();
}

void Main::CommandPagemind_Click() {
  const auto unopened = reopener_.CommandPagemind_Click(pageSlots_);
  if (!unopened.empty()) {
    ports_.ui.ShowMessage(pages::UnopenedPagesMessage(unopened), platform::MessageIcon::kStop);
  }
}

void Main::OnCommand(int commandId) {
  switch (commandId) {
    case tray::kCommandPagemind:
      return CommandPagemind_Click();
    case tray::kCommandShowLog:
      return CommandShowLog_Click();
    case tray::kCommandShowSettings:
      return CommandShowSettings_Click();
    case tray::kCommandShowVersion:
      return CommandShowVersion_Click();
    case tray::kCommandEnd:
      return CommandEnd_Click();
    default:
      return;
  }
}

void Main::OnTimer(int timerId) {
  if (timerId == kTimer1) return poller_.Timer1_Timer();
  if (timerId == kTrayRetryTimer && trayIcon_ && trayIcon_->Register()) {
    form_->StopTimer(kTrayRetryTimer);
  }
}

void Main::OnClick(int controlId) {
  if (controlId == kCommand1) return Command1_Click();
  if (controlId == kCommand2) return Command2_Click();
}

void Main::OnTrayMessage(int mouseMessage) {
  Picture1_MouseDown(mouseMessage);
}

void Main::Picture1_MouseDown(int mouseMessage) {
  if (mouseMessage == tray::kMouseLeftDoubleClick) return CommandPagemind_Click();
  if (mouseMessage != tray::kMouseRightButtonDown) return;
  // The menu's handler may end the program, so nothing of `this` is used after it.
  if (const int command = ports_.ui.ShowPopupMenu(*form_, tray::TrayMenuItems())) {
    OnCommand(command);
  }
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

void Main::Command1_Click() {
  form_->SetVisible(false);
}

void Main::Command2_Click() {
  const auto answer = ports_.ui.ShowSaveDialog(*form_, tray::AccessLogSaveDialog(lastSavePath_));
  using Outcome = platform::SaveDialogResult::Outcome;
  if (answer.outcome == Outcome::kCancelled || answer.path.empty()) return;
  lastSavePath_ = answer.path;
  // The list as it stands now, after the dialog's own loop let the poller run.
  const auto bytes = tray::AccessLogFileBytes(
      [this](std::size_t i) { return form_->Line(kList1, i); }, ports_.ansi);
  if (const auto error = ports_.files.ReplaceFileContents(PathFromUtf8(answer.path), bytes)) {
    ports_.ui.ShowMessage("ログを保存できませんでした。\r\n\r\n" + answer.path + "\r\n    " +
                              ports_.files.DescribeError(error),
                          platform::MessageIcon::kStop);
  }
}

void Main::InsertAtTop(std::string_view line) {
  form_->InsertLineAtTop(kList1, line);
  while (form_->LineCount(kList1) > pages::kAccessLogLineLimit) form_->RemoveLastLine(kList1);
}

void Main::Clear() {
  form_->ClearLines(kList1);
}

void Main::SetCounter(std::string_view text) {
  form_->SetText(kLabel1, text);
}

void Main::OnCloseRequest(UnloadReason reason) {
  if (!Unload(reason)) return;
  // Windows or the task manager ends the program: the pages are not saved on this path.
  application_.EndProcessNow();
}

}  // namespace pagemind::app
