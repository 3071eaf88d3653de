// The check list on Windows: a list view whose headings never take a box, driven by the real
// keyboard path, laid out at every DPI, and read from another process by pmctl.
#ifdef _WIN32

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "win32_form_fixture.h"

namespace pagemind::platform::win32::form_testing {
namespace {

using namespace std::chrono_literals;

enum : int { kRows = 20 };

FormLayout PageChoiceLayout() {
  using enum ControlKind;
  FormLayout layout{.name = "Choice",
                    .caption = "Pagemind - ページの選択",
                    .clientWidth = 6000,
                    .clientHeight = 4200};
  layout.controls = {Control(kRows, kCheckList, "", {120, 120, 5760, 3360}),
                     Control(kOk, kButton, "OK", {2880, 3660, 1335, 375}),
                     Control(kCancel, kButton, "キャンセル", {4440, 3660, 1335, 375})};
  layout.controls[1].isDefault = true;
  layout.controls[2].isCancel = true;
  return layout;
}

std::vector<CheckListRow> TwoSets() {
  return {{.text = "セット 1 (2 ページ)", .checkable = false},
          {.text = "http://127.0.0.1/日本語", .checked = true},
          {.text = "http://127.0.0.1/b"},
          {.text = "セット 2", .checkable = false},
          {.text = "http://127.0.0.1/c"}};
}

class Win32CheckList : public Win32Form {
 protected:
  static void SetUpTestSuite() {
    // What the program's host does at start; the tests make their forms without it.
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&classes);
  }
  void Open() {
    form = Make(PageChoiceLayout(), events);
    list = Native(*form).ControlWindow(kRows);
    ASSERT_NE(list, nullptr);
    form->SetCheckListRows(kRows, TwoSets());
  }
  [[nodiscard]] UINT Image(int row) const {
    return (static_cast<UINT>(::SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK)) &
            LVIS_STATEIMAGEMASK) >>
           12;
  }
  [[nodiscard]] std::wstring RowText(int row) const {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  [[nodiscard]] int FocusedRow() const {
    return static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
  }
  void FocusRow(int row) {
    LVITEMW item{};
    item.stateMask = item.state = LVIS_FOCUSED | LVIS_SELECTED;
    ::SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  [[nodiscard]] bool ColumnFillsTheList() const {
    RECT client{};
    ::GetClientRect(list, &client);
    return client.right > 0 && ::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0) == client.right &&
           (::GetWindowLongPtrW(list, GWL_STYLE) & WS_HSCROLL) == 0;
  }

  Recorder events;
  std::unique_ptr<Form> form;
  HWND list = nullptr;
};

TEST_F(Win32CheckList, RowsReadBackAndHeadingsNeverTakeABox) {
  Open();
  ASSERT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 5);
  EXPECT_EQ(RowText(0), L"セット 1 (2 ページ)");
  EXPECT_EQ(RowText(1), L"http://127.0.0.1/日本語");
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, true, false, false, false}));
  EXPECT_EQ(Image(0), 0U);
  EXPECT_EQ(Image(2), 1U);
  EXPECT_EQ(Image(3), 0U);
  EXPECT_EQ(FocusedRow(), 1);
  EXPECT_EQ(::SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED), 1);

  form->SetRowChecked(kRows, 0, true);
  form->SetRowChecked(kRows, 3, true);
  form->SetRowChecked(kRows, 5, true);
  form->SetRowChecked(kRows, 1, false);
  form->SetRowChecked(kRows, 4, true);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, false, false, false, true}));
  // Asked of the list view itself, past the form's own checks: refused all the same.
  LVITEMW checked{};
  checked.stateMask = LVIS_STATEIMAGEMASK;
  checked.state = INDEXTOSTATEIMAGEMASK(2);
  ::SendMessageW(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&checked));
  EXPECT_EQ(Image(3), 0U);

  // New rows replace the old ones and their boxes.
  form->SetCheckListRows(kRows, {{.text = "見出し", .checkable = false, .checked = true},
                                 {.text = "a"},
                                 {.text = "b", .checked = true}});
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(Image(0), 0U);
  EXPECT_EQ(FocusedRow(), 1);
  form->SetCheckListRows(kRows, {});
  EXPECT_TRUE(form->CheckedRows(kRows).empty());
  EXPECT_TRUE(form->CheckedRows(kOk).empty()) << "a button is no check list";
}

TEST_F(Win32CheckList, SpaceTogglesAPageRowAndNothingOnAHeading) {
  Open();
  ASSERT_TRUE(Activate(*form));
  ::SetFocus(list);
  ASSERT_EQ(::GetFocus(), list);
  TypeKey(VK_DOWN);
  EXPECT_EQ(FocusedRow(), 2);
  TypeKey(VK_SPACE);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, true, true, false, false}));
  TypeKey(VK_SPACE);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, true, false, false, false}));

  TypeKey(VK_DOWN);
  ASSERT_EQ(FocusedRow(), 3) << "the arrows move onto a heading too";
  TypeKey(VK_SPACE);
  PressKey(VK_SPACE);  // the same key posted, as another program would send it
  EXPECT_EQ(Image(3), 0U);
  FocusRow(0);
  TypeKey(VK_SPACE);
  EXPECT_EQ(Image(0), 0U);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, true, false, false, false}));

  FocusRow(4);
  PressKey(VK_SPACE);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, true, false, false, true}));
  EXPECT_TRUE(events.clicks.empty()) << "a box changing raises no event";
}

// Wine's list view gives a row without a box none on a click or space by itself; the form's
// refusal, which RowsReadBackAndHeadingsNeverTakeABox reaches directly, covers list views that
// would.
TEST_F(Win32CheckList, AClickWhereTheBoxWouldBeLeavesAHeadingWithout) {
  Open();
  ASSERT_TRUE(Activate(*form));
  const auto rowMiddle = [&](int row) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    ::SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    return (bounds.top + bounds.bottom) / 2;
  };
  // Where a page row's box is, found as the list view itself finds it.
  int boxX = -1;
  for (int x = 0; x < 60 && boxX < 0; ++x) {
    LVHITTESTINFO hit{};
    hit.pt = {x, rowMiddle(2)};
    ::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem == 2 && (hit.flags & LVHT_ONITEMSTATEICON) != 0) boxX = x;
  }
  ASSERT_GE(boxX, 0);
  const auto click = [&](int row) {
    const LPARAM at = MAKELPARAM(boxX + 2, rowMiddle(row));
    ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(list, WM_LBUTTONUP, 0, at);
    PumpFor(60ms);
  };
  click(2);
  click(0);
  click(3);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, true, true, false, false}));
  EXPECT_EQ(Image(0), 0U);
  EXPECT_EQ(Image(3), 0U);
}

TEST_F(Win32CheckList, EnterAndEscPressTheDefaultAndCancelButtonsFromTheList) {
  Open();
  ASSERT_TRUE(Activate(*form));
  ::SetFocus(list);
  PressKey(VK_RETURN);
  ASSERT_EQ(::GetFocus(), list);
  PressKey(VK_ESCAPE);
  TypeKey(VK_RETURN);
  EXPECT_EQ(events.clicks, (std::vector<int>{kOk, kCancel, kOk}));
  EXPECT_TRUE(events.commands.empty());
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, true, false, false, false}));
}

TEST_F(Win32CheckList, TheColumnFillsTheListAtEveryDpiWithOrWithoutAScrollBar) {
  Open();
  EXPECT_TRUE(ColumnFillsTheList());
  std::vector<CheckListRow> many(60, CheckListRow{.text = "http://127.0.0.1/"});
  form->SetCheckListRows(kRows, many);
  EXPECT_NE(::GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL, 0) << "60 rows need scrolling";
  EXPECT_TRUE(ColumnFillsTheList());

  const HWND window = Native(*form).Window();
  RECT outer{};
  ::GetWindowRect(window, &outer);
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&outer));
  const RECT placed = ClientRectIn(window, list);
  EXPECT_EQ(placed.right - placed.left, ::MulDiv(5760, 192, 1440));
  EXPECT_TRUE(ColumnFillsTheList());
  form->SetCheckListRows(kRows, TwoSets());
  EXPECT_EQ(::GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_TRUE(ColumnFillsTheList());
}

TEST_F(Win32CheckList, HeadingsDrawInBoldAndPagesInTheListsFont) {
  Open();
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const auto weightDrawnFor = [&](DWORD row) {
    const HGDIOBJ before =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr = {list, static_cast<UINT_PTR>(::GetDlgCtrlID(list)),
                     static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = row;
    draw.nmcd.hdc = dc;
    ::SendMessageW(Native(*form).Window(), WM_NOTIFY, draw.nmcd.hdr.idFrom,
                   reinterpret_cast<LPARAM>(&draw));
    LOGFONTW font{};
    ::GetObjectW(::GetCurrentObject(dc, OBJ_FONT), sizeof(font), &font);
    ::SelectObject(dc, before);
    return font.lfWeight;
  };
  EXPECT_EQ(weightDrawnFor(0), FW_BOLD);
  EXPECT_EQ(weightDrawnFor(3), FW_BOLD);
  EXPECT_LT(weightDrawnFor(1), FW_BOLD);
  ::DeleteDC(dc);
}

// pmctl, built beside this program, reads the rows from its own process as the end-to-end
// tests do: through memory it places in this one.
TEST_F(Win32CheckList, PmctlPrintsTheRowsAndBoxesFromAnotherProcess) {
  Open();
  form->SetRowChecked(kRows, 4, true);
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring tool(self);
  tool.erase(tool.find_last_of(L"\\/") + 1);
  tool += L"pmctl.exe";
  ASSERT_NE(::GetFileAttributesW(tool.c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(tool);

  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16));
  const UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writeEnd;
  std::wstring command =
      L"\"" + tool + L"\" check-rows \"" + Widen(PageChoiceLayout().caption) + L"\"";
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(::CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, TRUE,
                               CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started));
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  writer.reset();
  // pmctl's messages to the list are answered by this thread's loop.
  EXPECT_TRUE(
      PumpUntil([&] { return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, 10000ms));
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  DWORD exitCode = 1;
  ::GetExitCodeProcess(process.get(), &exitCode);
  EXPECT_EQ(exitCode, 0U) << output;
  EXPECT_EQ(output,
            "    セット 1 (2 ページ)\n"
            "[x] http://127.0.0.1/日本語\n"
            "[ ] http://127.0.0.1/b\n"
            "    セット 2\n"
            "[x] http://127.0.0.1/c\n");
}

}  // namespace
}  // namespace pagemind::platform::win32::form_testing

#endif  // _WIN32
