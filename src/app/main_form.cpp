#include "app/main_form.h"

#include <chrono>

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
      // Where the designer had the icon's callbacks arrive. The icon has a window of its own now;
      // the hidden control keeps its place in the table so that the controls keep their ids.
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

Main::Main(platform::Ports ports, access_log::AccessLog& log, MainEvents& events)
    : ports_(ports), log_(log), events_(events) {}

Main::~Main() {
  log_.SetView(nullptr);
}

void Main::Load() {
  form_ = ports_.ui.CreateForm(Layout(), *this);
  log_.SetView(this);
  // The timers run from the window's creation; their ticks are handled once the loading has
  // returned to the event loop.
  form_->StartTimer(kTimer1, kPollInterval);
  form_->StartTimer(kRecoveryTimer, kRecoveryInterval);
  Form_Load();
}

void Main::Form_Load() {
  const settings::SettingsFile settings(ports_.profile, ports_.program.Folder());
  if (settings::SwitchedOn(settings.DebugMode())) form_->SetControlVisible(kLabel1, true);
  form_->RemoveCloseFromSystemMenu();
}

bool Main::Form_QueryUnload(UnloadReason reason) {
  return reason == UnloadReason::kUserClose;
}

bool Main::Unload(UnloadReason reason) {
  if (!form_ || Form_QueryUnload(reason)) return false;
  log_.SetView(nullptr);
  form_.reset();
  return true;
}

void Main::Toggle() {
  form_->SetVisible(!form_->IsVisible());
}

void Main::Close() {
  form_->SetVisible(false);
}

void Main::Timer1_Timer() {
  events_.PollTimerTicked();
}

void Main::OnCommand(int commandId) {
  events_.CommandPosted(commandId);
}

void Main::OnTimer(int timerId) {
  if (timerId == kTimer1) Timer1_Timer();
  if (timerId == kRecoveryTimer) events_.RecoveryTimerTicked();
}

void Main::OnClick(int controlId) {
  if (controlId == kCommand1) return Command1_Click();
  if (controlId == kCommand2) return Command2_Click();
}

void Main::Command1_Click() {
  Close();
}

void Main::Command2_Click() {
  SaveWithDialog(
      ports_, *form_, access_log::SaveDialogOptions({}), lastSavePath_,
      [this] { return log_.FileBytes(ports_.ansi); }, "ログを保存できませんでした。");
}

void Main::OnCloseRequest(UnloadReason reason) {
  if (Form_QueryUnload(reason)) return;
  events_.EndRequested(reason);
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
