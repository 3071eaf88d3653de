#include "app/logo.h"

#include <chrono>

#include "app/application.h"
#include "common/project_info.h"
#include "forms/fonts.h"
#include "settings/settings_file.h"

namespace pagemind::app {

using platform::Align;
using platform::ControlKind;

namespace {
constexpr std::chrono::milliseconds kSplashTime{3000};
}  // namespace

platform::FormLayout Logo::Layout() {
  platform::FormLayout layout;
  layout.name = "Logo";
  layout.caption = "Pagemind - 起動中...";
  layout.clientWidth = 4020;
  layout.clientHeight = 1080;
  layout.border = platform::Border::kFixedSingle;
  layout.icon = platform::Picture::kWarningIcon;
  layout.controls = {
      {.id = kImage1,
       .name = "Image1",
       .kind = ControlKind::kImage,
       .rect = {240, 240, 480, 480},
       .picture = platform::Picture::kProgramIcon},
      {.id = kLabel1,
       .name = "Label1",
       .text = "Pagemind",
       .rect = {960, 120, 1935, 495},
       .font = PGothic(18, true),
       .color = 0x00FF0000},
      {.id = kLabel2,
       .name = "Label2",
       .text = "Ver:$.$$",
       .rect = {2880, 240, 975, 255},
       .font = PGothic(11.25, true),
       .color = 0x000000FF},
      {.id = kLabel3,
       .name = "Label3",
       .text = "起動しています...",
       .rect = {960, 600, 2775, 255},
       .align = Align::kCenter},
      {.id = kLabel4,
       .name = "Label4",
       .text = std::string("Created by ") + kAuthor,
       .rect = {240, 840, 3615, 255},
       .font = PGothic(8.25),
       .align = Align::kRight},
      {.id = kLabel5,
       .name = "Label5",
       .text = "デバッグモード ON",
       .rect = {120, 840, 1815, 255},
       .font = PGothic(9, true, true),
       .color = 0x0000C000,
       .visible = false},
  };
  return layout;
}

Logo::Logo(platform::Ports ports, Application& application)
    : ports_(ports), application_(application) {}

bool Logo::Load() {
  form_ = ports_.ui.CreateForm(Layout(), *this);
  Form_Load();
  return !refused_;
}

void Logo::Show() {
  form_->SetVisible(true);
}

void Logo::Form_Load() {
  if (ports_.program.AnotherInstanceRunning()) {
    ports_.ui.ShowMessage("二重起動はできません！", platform::MessageIcon::kStop);
    refused_ = true;
    ports_.program.EndProcess();
    return;
  }
  form_->RemoveCloseFromSystemMenu();
  form_->SetText(kLabel2, VersionLabel(ports_.program.ProgramVersion()));
  form_->StartTimer(kTimer1, kSplashTime);
  const settings::SettingsFile settings(ports_.profile, ports_.program.Folder());
  if (!settings::SplashShown(settings.Logo())) showAfterLoad_ = false;
  if (settings::SwitchedOn(settings.DebugMode())) form_->SetControlVisible(kLabel5, true);
}

bool Logo::Form_QueryUnload(platform::UnloadReason reason) const {
  return reason == platform::UnloadReason::kUserClose;
}

void Logo::Unload(platform::UnloadReason reason) {
  if (Form_QueryUnload(reason)) return;
  form_.reset();
}

void Logo::Timer1_Timer() {
  form_->StopTimer(kTimer1);
  // The next step unloads this window, so it runs once this handler has returned.
  ports_.ui.Post([&application = application_] { application.SplashTimeIsUp(); });
}

void Logo::OnTimer(int timerId) {
  if (timerId == kTimer1) Timer1_Timer();
}

void Logo::OnCloseRequest(platform::UnloadReason reason) {
  if (Form_QueryUnload(reason)) return;
  Unload(reason);
  // Another program, or Windows, asks the program to end while nothing is remembered yet.
  application_.EndProcessNow();
}

}  // namespace pagemind::app
