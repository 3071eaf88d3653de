#include "platform/win32/form_window.h"

#include <commctrl.h>

#include <optional>

#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

// The state images of a list view with check boxes: none, an empty box, a checked box.
constexpr UINT kNoBox = 0;
constexpr UINT kUnchecked = 1;
constexpr UINT kChecked = 2;

UINT StateImage(HWND list, std::size_t row) {
  const auto state = static_cast<UINT>(
      ::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
  return (state & LVIS_STATEIMAGEMASK) >> 12;
}

void SetItemState(HWND list, std::size_t row, UINT state, UINT mask) {
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void SetStateImage(HWND list, std::size_t row, UINT image) {
  SetItemState(list, row, INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK);
}

}  // namespace

void FormWindow::SetUpCheckList(const Control& control) {
  constexpr DWORD kExtended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  ::SendMessageW(control.window, LVM_SETEXTENDEDLISTVIEWSTYLE, kExtended, kExtended);
  // Report view shows nothing without a column; its width follows the list (FitCheckListColumn).
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  ::SendMessageW(control.window, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

const FormWindow::Control* FormWindow::FindCheckList(int controlId) const {
  const Control* control = Find(controlId);
  if (control == nullptr || control->layout.kind != ControlKind::kCheckList ||
      control->window == nullptr) {
    return nullptr;
  }
  return control;
}

void FormWindow::FitCheckListColumn(const Control& control) {
  // A column wider than the client area brings a horizontal scroll bar, and taking it away
  // can take the vertical one with it, which widens the client area again: a few rounds settle.
  for (int round = 0; round < 3; ++round) {
    RECT client{};
    ::GetClientRect(control.window, &client);
    if (::SendMessageW(control.window, LVM_GETCOLUMNWIDTH, 0, 0) == client.right) return;
    ::SendMessageW(control.window, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(client.right, 0));
  }
}

void FormWindow::SetCheckListRows(int controlId, const std::vector<CheckListRow>& rows) {
  Control* control = Find(controlId);
  if (control == nullptr || control->layout.kind != ControlKind::kCheckList ||
      control->window == nullptr) {
    return;
  }
  const HWND list = control->window;
  ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  // Filled before the rows go in: the guard in OnNotify reads it for every change.
  control->checkable.clear();
  for (const CheckListRow& row : rows) control->checkable.push_back(row.checkable);

  std::size_t inserted = 0;
  std::optional<std::size_t> first;
  for (const CheckListRow& row : rows) {
    const UINT image = !row.checkable ? kNoBox : row.checked ? kChecked : kUnchecked;
    std::wstring text = Widen(row.text);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = static_cast<int>(inserted);
    item.pszText = text.data();
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(image);
    if (::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0) break;
    // A list view with check boxes may give a new item an empty box whatever it asked for.
    if (StateImage(list, inserted) != image) SetStateImage(list, inserted, image);
    if (row.checkable && !first) first = inserted;
    ++inserted;
  }
  control->checkable.resize(inserted);

  if (first) {
    constexpr UINT kFocusAndSelection = LVIS_FOCUSED | LVIS_SELECTED;
    SetItemState(list, *first, kFocusAndSelection, kFocusAndSelection);
    ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(*first), FALSE);
  }
  // The rows may have brought the vertical scroll bar.
  FitCheckListColumn(*control);
}

std::vector<bool> FormWindow::CheckedRows(int controlId) const {
  const Control* control = FindCheckList(controlId);
  if (control == nullptr) return {};
  std::vector<bool> checked;
  for (std::size_t row = 0; row < control->checkable.size(); ++row) {
    checked.push_back(control->checkable[row] && StateImage(control->window, row) == kChecked);
  }
  return checked;
}

void FormWindow::SetRowChecked(int controlId, std::size_t row, bool checked) {
  const Control* control = FindCheckList(controlId);
  if (control == nullptr || row >= control->checkable.size() || !control->checkable[row]) return;
  SetStateImage(control->window, row, checked ? kChecked : kUnchecked);
}

LRESULT FormWindow::OnNotify(HWND window, WPARAM wParam, LPARAM lParam) {
  const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
  const Control* control = FindByWindow(header.hwndFrom);
  if (control != nullptr && control->layout.kind == ControlKind::kCheckList) {
    if (header.code == LVN_ITEMCHANGING) {
      // Whatever asks a heading for a box (space, a click where the box would be, a program)
      // is refused here, where the list view lets its parent veto any change of an item.
      const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
      const auto row = static_cast<std::size_t>(change.iItem);
      const bool heading =
          change.iItem >= 0 && row < control->checkable.size() && !control->checkable[row];
      const UINT newImage = change.uNewState & LVIS_STATEIMAGEMASK;
      const bool boxChanges = (change.uChanged & LVIF_STATE) != 0 &&
                              newImage != (change.uOldState & LVIS_STATEIMAGEMASK);
      return heading && boxChanges && newImage != 0 ? TRUE : FALSE;
    }
    if (header.code == NM_CUSTOMDRAW) {
      auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      const std::size_t row = draw.nmcd.dwItemSpec;
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && row < control->checkable.size() &&
          !control->checkable[row] && control->headingFont) {
        ::SelectObject(draw.nmcd.hdc, control->headingFont.get());
        return CDRF_NEWFONT;
      }
      return CDRF_DODEFAULT;
    }
  }
  return ::DefDlgProcW(window, WM_NOTIFY, wParam, lParam);
}

}  // namespace pagemind::platform::win32
