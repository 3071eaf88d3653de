#include "settings/settings_window.h"

#include "settings/settings_file.h"

namespace pagemind::settings {

using platform::ControlKind;

const char* const kPageMemoryHint =
    "次回ソフト起動時にも、開いていたページをもう一度開けるようになります。\r"
    "なお、プログラムは独自にログを作成しますので、ユーザーが\"アクセスログ\""
    "画面から保存したログファイルは参照しません。";

platform::FormLayout Settings::Layout() {
  platform::FormLayout layout;
  layout.name = "Settings";
  layout.caption = "Pagemind - 設定画面";
  layout.clientWidth = 5550;
  layout.clientHeight = 2430;
  layout.border = platform::Border::kFixedSingle;
  layout.controls = {
      {.id = kFrame1,
       .name = "Frame1",
       .kind = ControlKind::kFrame,
       .text = "起動時の設定",
       .rect = {240, 480, 2415, 1095}},
      {.id = kOption1,
       .name = "Option1",
       .kind = ControlKind::kOptionButton,
       .text = "ロゴを表示する",
       .rect = {240, 360, 1695, 255},
       .parent = kFrame1},
      {.id = kOption2,
       .name = "Option2",
       .kind = ControlKind::kOptionButton,
       .text = "ロゴを表示しない",
       .rect = {240, 600, 1815, 255},
       .parent = kFrame1},
      {.id = kFrame2,
       .name = "Frame2",
       .kind = ControlKind::kFrame,
       .text = "外部ログの参照",
       .rect = {2880, 480, 2415, 1095}},
      {.id = kOption3,
       .name = "Option3",
       .kind = ControlKind::kOptionButton,
       .text = "ログを参照する",
       .rect = {240, 360, 1815, 255},
       .parent = kFrame2},
      {.id = kOption4,
       .name = "Option4",
       .kind = ControlKind::kOptionButton,
       .text = "ログを参照しない",
       .rect = {240, 600, 1935, 255},
       .parent = kFrame2},
      {.id = kHintsLog,
       .name = "HintsLog",
       .kind = ControlKind::kButton,
       .text = "？",
       .rect = {1800, 360, 255, 255},
       .parent = kFrame2},
      {.id = kCommand1,
       .name = "Command1",
       .kind = ControlKind::kButton,
       .text = "OK",
       .rect = {840, 1800, 1335, 375},
       .isDefault = true},
      {.id = kCommand2,
       .name = "Command2",
       .kind = ControlKind::kButton,
       .text = "キャンセル",
       .rect = {3480, 1800, 1335, 375},
       .isCancel = true},
      {.id = kLabel1,
       .name = "Label1",
       .text = "同フォルダにPagemind.iniファイルが作成されます。",
       .rect = {240, 120, 5055, 255}},
  };
  return layout;
}

bool Settings::IsVisibleLoadingIfNeeded() {
  if (!window_.loaded()) Load();
  return window_.form().IsVisible();
}

void Settings::Load() {
  splashChoice_ = Choice::kUnset;
  pageMemoryChoice_ = Choice::kOff;
  window_.Set(ports_.ui.CreateForm(Layout(), *this));
  Form_Load();
}

void Settings::Form_Load() {
  const SettingsFile file(ports_.profile, ports_.program.Folder());
  // Selecting an option raises its click, which sets the choice.
  if (const int logo = file.Logo(); logo == 0) {
    window_.form().SelectOption(kOption2);
  } else if (logo == 1) {
    window_.form().SelectOption(kOption1);
  }
  if (const int log = file.Log(); log == 0) {
    window_.form().SelectOption(kOption4);
  } else if (log == 1) {
    window_.form().SelectOption(kOption3);
  }
}

void Settings::Command1_Click() {
  const SettingsFile file(ports_.profile, ports_.program.Folder());
  file.WriteLogo(splashChoice_ == Choice::kOn);
  file.WriteLog(pageMemoryChoice_ == Choice::kOn);
  window_.form().SetVisible(false);
}

void Settings::Command2_Click() {
  window_.form().SetVisible(false);
}

void Settings::HintsLog_Click() {
  ports_.ui.ShowMessage(kPageMemoryHint, platform::MessageIcon::kInformation);
}

void Settings::OnClick(int controlId) {
  switch (controlId) {
    case kOption1:
      return Option1_Click();
    case kOption2:
      return Option2_Click();
    case kOption3:
      return Option3_Click();
    case kOption4:
      return Option4_Click();
    case kCommand1:
      return Command1_Click();
    case kCommand2:
      return Command2_Click();
    case kHintsLog:
      return HintsLog_Click();
    default:
      return;
  }
}

void Settings::OnCloseRequest(platform::UnloadReason /*reason*/) {
  Unload();
}

}  // namespace pagemind::settings
