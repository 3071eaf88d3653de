#include "about/about_window.h"

#include <string>

#include "common/project_info.h"
#include "common/version.h"
#include "forms/fonts.h"

namespace pagemind::about {

using platform::ControlKind;

platform::FormLayout AboutVer::Layout() {
  platform::FormLayout layout;
  layout.name = "AboutVer";
  layout.caption = "Pagemind - バージョン情報";
  layout.clientWidth = 5325;
  layout.clientHeight = 3195;
  layout.border = platform::Border::kFixedSingle;
  const auto link = PGothic(9, false, false, true);
  layout.controls = {
      {.id = kCommand1,
       .name = "Command1",
       .kind = ControlKind::kButton,
       .text = "OK",
       .rect = {1920, 2640, 1335, 375},
       .isDefault = true},
      {.id = kLabel2,
       .name = "Label2",
       .text = "Ver:$.$$",
       .rect = {3120, 360, 975, 255},
       .font = PGothic(11.25, true),
       .color = 0x000000FF},
      {.id = kLabel1,
       .name = "Label1",
       .text = "Pagemind",
       .rect = {1200, 240, 1935, 495},
       .font = PGothic(18, true),
       .color = 0x00FF0000},
      {.id = kLabel3,
       .name = "Label3",
       .text = std::string("Created by ") + kAuthor,
       .rect = {1200, 720, 2295, 255}},
      {.id = kLabel4,
       .name = "Label4",
       .text = kSupportWebAddress,
       .rect = {2160, 960, 2055, 255},
       .font = link,
       .color = platform::kSystemHighlight,
       .clickable = true},
      {.id = kLabel5, .name = "Label5", .text = "Support=> ", .rect = {1200, 960, 975, 255}},
      {.id = kLabel6,
       .name = "Label6",
       .text = kSupportMailAddress,
       .rect = {2160, 1200, 2535, 255},
       .font = link,
       .color = platform::kSystemHighlight,
       .clickable = true},
      {.id = kLabel7,
       .name = "Label7",
       .text = "このプログラムの使用による、システムへの影響については、作者は責任を負いません。"
               "なお、作者への要望・希望・バグなどの報告は、上記のHPまたはメールにてお願いします。",
       .rect = {1200, 1680, 3855, 855}},
      {.id = kImage1,
       .name = "Image1",
       .kind = ControlKind::kImage,
       .rect = {240, 240, 480, 480},
       .picture = platform::Picture::kProgramIcon},
      {.id = kImage2,
       .name = "Image2",
       .kind = ControlKind::kImage,
       .rect = {240, 1680, 480, 480},
       .picture = platform::Picture::kWarningIcon},
      // Two lines on one row, white under grey: an etched rule.
      {.id = kLine1_0,
       .name = "Line1(0)",
       .kind = ControlKind::kLine,
       .rect = {240, 1560, 4800, 0},
       .color = 0x00FFFFFF,
       .lineWidthPixels = 2},
      {.id = kLine1_1,
       .name = "Line1(1)",
       .kind = ControlKind::kLine,
       .rect = {240, 1560, 4800, 0},
       .color = 0x00808080},
  };
  return layout;
}

bool AboutVer::IsVisibleLoadingIfNeeded() {
  if (!window_.loaded()) Load();
  return window_.form().IsVisible();
}

void AboutVer::Load() {
  window_.Set(ports_.ui.CreateForm(Layout(), *this));
  Form_Load();
}

void AboutVer::Form_Load() {
  window_.form().SetText(kLabel2, VersionLabel(ports_.program.ProgramVersion()));
}

void AboutVer::Command1_Click() {
  window_.form().SetVisible(false);
}

void AboutVer::Label4_Click() {
  // The program's own folder, so that whatever the shell starts never runs in a current folder
  // that happens to be someone else's.
  (void)ports_.shell.OpenWithShell(kSupportWebAddress, ports_.program.Folder());
}

void AboutVer::Label6_Click() {
  (void)ports_.shell.OpenWithShell(std::string("mailto:") + kSupportMailAddress,
                                   ports_.program.Folder());
}

void AboutVer::OnClick(int controlId) {
  switch (controlId) {
    case kCommand1:
      return Command1_Click();
    case kLabel4:
      return Label4_Click();
    case kLabel6:
      return Label6_Click();
    default:
      return;
  }
}

void AboutVer::OnCloseRequest(platform::UnloadReason /*reason*/) {
  Unload();
}

}  // namespace pagemind::about
