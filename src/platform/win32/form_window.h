#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {

class WindowUi;

// The other top-level windows a modal form disabled, shared between the form and its
// ShowModal call so that whichever ends first (the form hiding or going away, or the nested
// loop) gives them back exactly once.
class ModalState {
 public:
  explicit ModalState(std::vector<HWND> disabled) : disabled_(std::move(disabled)) {}
  void Restore();

 private:
  std::vector<HWND> disabled_;
  bool restored_ = false;
};

// A top-level window made from a FormLayout. Controls are children of the form itself, frames
// included (a frame only draws its box), so that the dialog manager sees every control of the
// form as one tab order.
class FormWindow final : public Form {
 public:
  FormWindow(const FormLayout& layout, FormEvents& events, WindowUi& ui);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  void SetVisible(bool visible) override;
  [[nodiscard]] bool IsVisible() const override;
  void ShowModal() override;

  void SetText(int controlId, std::string_view text) override;
  [[nodiscard]] std::string Text(int controlId) const override;
  void SetControlVisible(int controlId, bool visible) override;
  [[nodiscard]] bool IsControlVisible(int controlId) const override;

  void SelectOption(int controlId) override;
  [[nodiscard]] bool IsOptionSelected(int controlId) const override;

  void InsertLineAtTop(int controlId, std::string_view line) override;
  void ClearLines(int controlId) override;
  [[nodiscard]] std::size_t LineCount(int controlId) const override;
  [[nodiscard]] std::string Line(int controlId, std::size_t index) const override;
  void RemoveLastLine(int controlId) override;

  void SetCheckListRows(int controlId, const std::vector<CheckListRow>& rows) override;
  [[nodiscard]] std::vector<bool> CheckedRows(int controlId) const override;
  void SetRowChecked(int controlId, std::size_t row, bool checked) override;

  void RemoveCloseFromSystemMenu() override;

  void StartTimer(int timerId, std::chrono::milliseconds interval) override;
  void StopTimer(int timerId) override;

  // The native windows, for the parts of the win32 platform that must address them (the popup
  // menu's owner) and for tests. nullptr for an unknown id or a line.
  [[nodiscard]] HWND Window() const noexcept { return window_.get(); }
  [[nodiscard]] HWND ControlWindow(int controlId) const;
  [[nodiscard]] UINT Dpi() const noexcept { return dpi_; }

  // Lets the active form handle its dialog keys (Tab, arrows, Enter, Esc). True when the
  // message was used up.
  static bool HandleDialogKeys(MSG& message);
  // Whether a window is one of the program's forms.
  static bool IsForm(HWND window);

 private:
  struct Control {
    ControlLayout layout;
    TwipsRect formRect;     // in the form's client area, frames resolved
    HWND window = nullptr;  // a child of the form: destroyed with it, never on its own
    int childId = 0;        // the Win32 control id; IDCANCEL for the cancel control
    bool visible = true;    // its own setting, apart from its frame's
    UniqueFont font;        // only for controls with a font of their own
    UniqueIcon icon;
    // A check list's: which rows have a box, and the bold font of its headings.
    std::vector<bool> checkable;
    UniqueFont headingFont;
  };

  // Lifetime and the window procedure (form_window.cpp).
  static ATOM WindowClass();
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCommandMessage(WPARAM wParam, LPARAM lParam);

  // The controls (form_controls.cpp).
  void CreateControls();
  [[nodiscard]] Control* Find(int controlId);
  [[nodiscard]] const Control* Find(int controlId) const;
  [[nodiscard]] Control* FindByWindow(HWND window);
  [[nodiscard]] bool EffectivelyVisible(const Control& control) const;
  void ApplyVisibility();
  void CheckOption(std::size_t index);

  // Check lists (form_check_list.cpp).
  void SetUpCheckList(const Control& control);
  [[nodiscard]] const Control* FindCheckList(int controlId) const;
  // Sizes the one column to the list's client width, which its scroll bars change.
  static void FitCheckListColumn(const Control& control);
  LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam);

  // DPI, fonts, icons and painting (form_appearance.cpp).
  // Places the window's top-left corner and sizes it so that the client area is the declared
  // one at the current DPI.
  void SetOuterBounds(POINT origin);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void ApplyDpi(UINT dpi);
  void ApplyFonts();
  void ApplyIcons();
  void PlaceControls();
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void Paint();

  // Keyboard, focus and the modal loop (form_keyboard.cpp).
  [[nodiscard]] const Control* DefaultControl() const;
  [[nodiscard]] const Control* CancelControl() const;
  // Whether Enter has a push button to press: the focused one or the default one.
  [[nodiscard]] bool EnterPressesAButton() const;
  void ShowAsDefault(const Control* button);
  // True when `code` was a push button's focus notification of control `index`.
  bool OnButtonFocus(std::size_t index, int code);

  FormEvents& events_;
  WindowUi& ui_;
  FormLayout layout_;
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
  UINT dpi_ = 96;
  std::vector<Control> controls_;
  UniqueFont messageFont_;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
  std::shared_ptr<ModalState> modal_;
  // Last: destroyed first, so that the window is gone before the fonts and icons it uses.
  UniqueWindow window_;
};

}  // namespace pagemind::platform::win32
