#ifdef _WIN32

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/form_window.h"
#include "platform/win32/native_host.h"
#include "platform/win32/text.h"
#include "platform/win32/window_ui.h"
#include "test_support.h"

namespace pagemind::platform::win32 {
namespace {

using namespace std::chrono_literals;

constexpr int kPicture = 1;

FormLayout OwnerLayout() {
  FormLayout layout;
  layout.name = "Main";
  layout.caption = "Pagemind - アクセスログ";
  layout.clientWidth = 4875;
  layout.clientHeight = 3855;
  layout.border = Border::kNone;
  layout.showInTaskbar = false;
  layout.controls = {{.id = kPicture,
                      .name = "Picture1",
                      .kind = ControlKind::kPictureBox,
                      .rect = {3840, 0, 255, 255},
                      .visible = false}};
  return layout;
}

// Acts on the screen from a timer, as a user would while a system dialog runs its own loop.
struct TimerHand : FormEvents {
  std::function<bool()> act;  // true once done
  void OnTimer(int) override {
    if (act && act()) act = nullptr;
  }
};

// The first visible dialog box (#32770) of this thread with the given caption.
HWND FindDialog(const wchar_t* caption) {
  struct Search {
    const wchar_t* caption;
    HWND found;
  } search{caption, nullptr};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        wchar_t className[16] = {}, text[128] = {};
        ::GetClassNameW(window, className, 16);
        ::GetWindowTextW(window, text, 128);
        if (std::wstring(className) == L"#32770" && ::IsWindowVisible(window) &&
            (s.caption == nullptr || std::wstring(text) == s.caption)) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring DialogItemText(HWND dialog, int id) {
  wchar_t text[512] = {};
  ::GetDlgItemTextW(dialog, id, text, 512);
  return text;
}

class Win32Ui : public ::testing::Test {
 protected:
  WindowUi ui;
  TimerHand hand;
};

// taskkill posts WM_CLOSE to every top-level window of the process, the hidden ones too: the
// hidden owner must not go with it (taking the forms it owns along), while each form hears it.
TEST_F(Win32Ui, AnotherProgramsCloseLeavesTheHiddenOwnerAndReachesEachForm) {
  struct Closes : FormEvents {
    std::vector<UnloadReason> reasons;
    void OnCloseRequest(UnloadReason reason) override { reasons.push_back(reason); }
  } closes;
  const auto form = ui.CreateForm(OwnerLayout(), closes);
  const HWND window = static_cast<FormWindow&>(*form).Window();
  const HWND owner = ::GetWindow(window, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(::GetAncestor(owner, GA_PARENT), ::GetDesktopWindow()) << "seen by taskkill";
  ::SendMessageW(owner, WM_CLOSE, 0, 0);
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(owner));
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_EQ(closes.reasons, std::vector{UnloadReason::kTaskManager});
}

TEST_F(Win32Ui, MessageBoxHasTheProgramsTitleAndKeepsALoneCarriageReturnAsALineBreak) {
  const auto owner = ui.CreateForm(OwnerLayout(), hand);
  std::wstring shownText;
  bool modalWhileShown = false;
  hand.act = [&] {
    const HWND box = FindDialog(L"Pagemind");
    if (box == nullptr) return false;
    shownText = DialogItemText(box, 0xFFFF);  // the message box's text control
    modalWhileShown = ui.InModalLoop();
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  };
  owner->StartTimer(1, 20ms);
  ui.ShowMessage("ロゴを表示するかどうかを選びます。\r設定は次の起動から有効です。",
                 MessageIcon::kInformation);
  owner->StopTimer(1);
  EXPECT_EQ(shownText, L"ロゴを表示するかどうかを選びます。\r\n設定は次の起動から有効です。");
  EXPECT_TRUE(modalWhileShown);
  EXPECT_FALSE(ui.InModalLoop()) << "once the box is gone";
}

TEST_F(Win32Ui, QuestionOffersYesAndNoByTheirKeysWithNoAsTheDefault) {
  const auto owner = ui.CreateForm(OwnerLayout(), hand);
  struct Key {
    UINT message;
    WPARAM key;
    Answer expected;
  };
  // The keys as the box's loop gets them from the keyboard: the buttons' access keys, and
  // Enter, which presses the focused default button.
  for (const Key key : {Key{WM_CHAR, 'y', Answer::kYes}, Key{WM_CHAR, 'n', Answer::kNo},
                        Key{WM_KEYDOWN, VK_RETURN, Answer::kNo}}) {
    bool twoButtons = false;
    bool noIsTheDefault = false;
    hand.act = [&] {
      const HWND box = FindDialog(L"Pagemind");
      if (box == nullptr) return false;
      const HWND no = ::GetDlgItem(box, IDNO);
      twoButtons = ::GetDlgItem(box, IDYES) != nullptr && no != nullptr &&
                   ::GetDlgItem(box, IDOK) == nullptr && ::GetDlgItem(box, IDCANCEL) == nullptr;
      noIsTheDefault = no != nullptr && ::GetFocus() == no &&
                       (::GetWindowLongW(no, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      ::PostMessageW(::GetFocus(), key.message, key.key, 1);
      return true;
    };
    owner->StartTimer(1, 20ms);
    const Answer answer = ui.AskYesNo("保存せずに終了しますか？");
    owner->StopTimer(1);
    SCOPED_TRACE(static_cast<int>(key.key));
    EXPECT_TRUE(twoButtons);
    EXPECT_TRUE(noIsTheDefault);
    EXPECT_EQ(answer, key.expected);
  }
}

TEST_F(Win32Ui, PopupMenuReturnsTheChosenCommandAndSkipsSeparators) {
  const auto owner = ui.CreateForm(OwnerLayout(), hand);
  const HWND window = static_cast<FormWindow&>(*owner).Window();
  const std::vector<MenuItem> items = {
      {1001, "Pagemind!!(&O)"}, {0, "-"}, {1002, "ログの表示...(&L)"}, {1005, "終了(&E)"}};
  // Keys waiting in the queue when the menu opens: down to the first item, past the separator
  // to the second, Enter.
  for (const WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
    ::PostMessageW(window, WM_KEYDOWN, key, 1);
  }
  EXPECT_EQ(ui.ShowPopupMenu(*owner, items), 1002);

  ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(ui.ShowPopupMenu(*owner, items), 0);
  ui.ProcessPendingEvents();
}

TEST_F(Win32Ui, PopupMenuShowsACheckMarkOnTheCheckedItemsOnly) {
  const auto owner = ui.CreateForm(OwnerLayout(), hand);
  const std::vector<MenuItem> items = {
      {1004, "バージョン情報(&V)"}, {1006, "ログオン時に起動(&W)", true}, {1005, "終了(&E)"}};
  std::vector<UINT> states;
  hand.act = [&] {
    HWND menuWindow = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
          wchar_t name[16] = {};
          ::GetClassNameW(window, name, 16);
          if (std::wstring(name) != L"#32768" || !::IsWindowVisible(window)) return TRUE;
          *reinterpret_cast<HWND*>(found) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&menuWindow));
    if (menuWindow == nullptr) return false;
    const auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    for (const UINT id : {1004U, 1006U, 1005U}) states.push_back(::GetMenuState(menu, id, 0));
    ::PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 1);
    return true;
  };
  owner->StartTimer(1, 20ms);
  EXPECT_EQ(ui.ShowPopupMenu(*owner, items), 0);
  owner->StopTimer(1);
  ASSERT_EQ(states.size(), 3U);
  EXPECT_EQ(states[0] & MF_CHECKED, 0U);
  EXPECT_EQ(states[1] & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(states[2] & MF_CHECKED, 0U);
  ui.ProcessPendingEvents();
}

TEST_F(Win32Ui, SaveDialogGivesTheChosenPathOrTheCancel) {
  const testing::TempFolder folder;
  const auto owner = ui.CreateForm(OwnerLayout(), hand);
  const std::filesystem::path chosen = folder.path() / "アクセスログ.txt";
  SaveDialogOptions options{.title = "ログを保存",
                            .filter = "テキスト (*.txt)|*.txt|すべて (*.*)|*.*|",
                            .flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                            .filterIndex = 1,
                            .initialPath = "log.txt"};
  std::wstring initialName;
  hand.act = [&] {
    const HWND dialog = FindDialog(L"ログを保存");
    if (dialog == nullptr) return false;
    initialName = DialogItemText(dialog, 0x47C);
    ::SetDlgItemTextW(dialog, 0x47C, chosen.c_str());
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return true;
  };
  owner->StartTimer(1, 50ms);
  const SaveDialogResult saved = ui.ShowSaveDialog(*owner, options);
  EXPECT_EQ(saved.outcome, SaveDialogResult::Outcome::kConfirmed);
  EXPECT_EQ(Widen(saved.path), chosen.native());
  EXPECT_EQ(initialName, L"log.txt");

  hand.act = [&] {
    const HWND dialog = FindDialog(L"ログを保存");
    if (dialog == nullptr) return false;
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return true;
  };
  const SaveDialogResult cancelled = ui.ShowSaveDialog(*owner, options);
  owner->StopTimer(1);
  EXPECT_EQ(cancelled.outcome, SaveDialogResult::Outcome::kCancelled);
  EXPECT_TRUE(cancelled.path.empty());
}

TEST_F(Win32Ui, PendingEventsAreHandledOnceEvenWhenHandlersPostMore) {
  struct Reposting : FormEvents {
    HWND window = nullptr;
    bool repost = true;
    int handled = 0;
    void OnCommand(int id) override {
      ++handled;
      if (repost) ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }
  } events;
  const auto form = ui.CreateForm(OwnerLayout(), events);
  events.window = static_cast<FormWindow&>(*form).Window();
  ::PostMessageW(events.window, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
  ui.ProcessPendingEvents();  // returns although the queue never runs dry
  EXPECT_GE(events.handled, 1);
  events.repost = false;
  ui.ProcessPendingEvents();
}

TEST(Win32UiLifetime, TheLastFormClosingEndsTheMessageLoopWhenAskedTo) {
  TimerHand events;
  {
    WindowUi quitting(WindowUi::WhenLastFormCloses::kQuit);
    auto first = quitting.CreateForm(OwnerLayout(), events);
    auto second = quitting.CreateForm(OwnerLayout(), events);
    first.reset();
    MSG message;
    EXPECT_FALSE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    second.reset();
    ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
  }
  {
    WindowUi staying;
    staying.CreateForm(OwnerLayout(), events).reset();
    MSG message;
    EXPECT_FALSE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  }
}

TEST(Win32NativeHost, RunsUntilTheProgramQuitsAndHandsBackItsExitCode) {
  NativeHost host;
  const Ports ports = host.ports();
  EXPECT_EQ(&ports.ui, &host.ports().ui);  // one set of objects for the whole run
  ::PostQuitMessage(7);
  EXPECT_EQ(host.RunMessageLoop(), 7);

  // The shipped loop ends by itself once the last window has gone.
  std::unique_ptr<Form> form;
  struct Closer : FormEvents {
    std::unique_ptr<Form>& form;
    explicit Closer(std::unique_ptr<Form>& f) : form(f) {}
    void OnTimer(int) override { form.reset(); }
  } closer(form);
  form = ports.ui.CreateForm(OwnerLayout(), closer);
  form->StartTimer(1, 10ms);
  EXPECT_EQ(host.RunMessageLoop(), 0);
  EXPECT_FALSE(form);
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
