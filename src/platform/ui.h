#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pagemind::platform {

// Windows are declared as tables of controls with positions in twips (1/1440 inch); the
// platform turns them into real windows at the window's DPI.

enum class ControlKind {
  kLabel,
  kButton,
  kOptionButton,
  kFrame,
  kListBox,
  kPictureBox,
  kImage,
  kLine,
  kCheckList,  // rows with check boxes, some of them headings without one
};
enum class Align { kLeft, kCenter, kRight };
enum class Picture { kNone, kProgramIcon, kWarningIcon };

// Colours as the forms' designer wrote them: 0x00BBGGRR, or a system colour when the top bit
// is set (0x8000000D is the highlight colour).
using OleColor = std::uint32_t;
inline constexpr OleColor kSystemHighlight = 0x8000000D;

struct Font {
  std::string face{};  // UTF-8; the platform falls back to its Japanese UI font when missing
  double points = 9;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct ControlLayout {
  int id = 0;          // the form's own number for the control; never 0
  std::string name{};  // the designer name, such as "Label1"
  ControlKind kind = ControlKind::kLabel;
  std::string text{};
  // Relative to the parent frame when `parent` names one. For a line: from (left, top) to
  // (left + width, top + height).
  TwipsRect rect{};
  int parent = 0;
  std::optional<Font> font{};
  std::optional<OleColor> color{};
  Align align = Align::kLeft;
  bool visible = true;
  bool isDefault = false;  // pressed by Enter
  bool isCancel = false;   // pressed by Esc
  bool clickable = false;  // a label that acts as a link
  int lineWidthPixels = 1;
  Picture picture = Picture::kNone;
};

// One row of a check list.
struct CheckListRow {
  std::string text{};     // UTF-8
  bool checkable = true;  // false: a heading row, shown without a check box, never checked
  bool checked = false;
};

enum class Border { kNone, kFixedSingle };

struct FormLayout {
  std::string name{};  // "Logo", "Main", ...
  std::string caption{};
  int clientWidth = 0;  // twips
  int clientHeight = 0;
  Border border = Border::kFixedSingle;
  bool showInTaskbar = true;
  Picture icon = Picture::kProgramIcon;
  std::vector<ControlLayout> controls{};  // in tab order
};

// Why a window is being unloaded.
enum class UnloadReason {
  kUserClose,       // close box, system menu, Alt+F4
  kProgram,         // the program unloads it itself
  kWindowsSession,  // Windows shuts down or the user logs off
  kTaskManager,
};

class FormEvents {
 public:
  virtual void OnClick(int /*controlId*/) {}
  virtual void OnTimer(int /*timerId*/) {}
  virtual void OnCommand(int /*commandId*/) {}
  // The platform asks for the window to go; the form decides and unloads itself if it agrees.
  virtual void OnCloseRequest(UnloadReason /*reason*/) {}

 protected:
  ~FormEvents() = default;
};

// A live window made from a FormLayout. Destroying the object destroys the window; a form may do
// so from inside one of its own event handlers.
class Form {
 public:
  virtual ~Form() = default;

  virtual void SetVisible(bool visible) = 0;
  [[nodiscard]] virtual bool IsVisible() const = 0;
  // Shows the window modally: returns once it is hidden or destroyed. Other windows' timers and
  // messages go on meanwhile.
  virtual void ShowModal() = 0;

  virtual void SetText(int controlId, std::string_view text) = 0;
  [[nodiscard]] virtual std::string Text(int controlId) const = 0;
  virtual void SetControlVisible(int controlId, bool visible) = 0;
  [[nodiscard]] virtual bool IsControlVisible(int controlId) const = 0;

  // Option buttons: selecting one clears the others in its frame and raises its click.
  virtual void SelectOption(int controlId) = 0;
  [[nodiscard]] virtual bool IsOptionSelected(int controlId) const = 0;

  // List boxes.
  virtual void InsertLineAtTop(int controlId, std::string_view line) = 0;
  virtual void ClearLines(int controlId) = 0;
  [[nodiscard]] virtual std::size_t LineCount(int controlId) const = 0;
  [[nodiscard]] virtual std::string Line(int controlId, std::size_t index) const = 0;
  virtual void RemoveLastLine(int controlId) = 0;

  // Check lists. The user toggles a row's box with the mouse or the space bar; that raises no
  // event: the form reads the boxes when it needs them.
  // Replaces all rows; the focus and selection go to the first checkable row.
  virtual void SetCheckListRows(int controlId, const std::vector<CheckListRow>& rows) = 0;
  // One entry per row; false for every heading.
  [[nodiscard]] virtual std::vector<bool> CheckedRows(int controlId) const = 0;
  // Ignored for a heading row or a row out of range.
  virtual void SetRowChecked(int controlId, std::size_t row, bool checked) = 0;

  // Removes the Close item from the window's system menu and redraws its menu bar.
  virtual void RemoveCloseFromSystemMenu() = 0;

  // A periodic timer owned by this window; ticks arrive as OnTimer(timerId).
  virtual void StartTimer(int timerId, std::chrono::milliseconds interval) = 0;
  virtual void StopTimer(int timerId) = 0;
};

enum class MessageIcon { kStop, kInformation };
enum class Answer { kYes, kNo };

struct MenuItem {
  int commandId = 0;  // 0 for a separator
  std::string caption{};
  bool checked = false;  // shown with a check mark
};

struct SaveDialogOptions {
  std::string title{};
  // Description and pattern alternate, each followed by '|': "Text (*.txt)|*.txt|".
  std::string filter{};
  std::uint32_t flags = 0;  // OFN_* bits
  int filterIndex = 1;      // 1-based
  std::string initialPath{};
};

struct SaveDialogResult {
  enum class Outcome { kConfirmed, kCancelled, kFailed };
  Outcome outcome = Outcome::kCancelled;
  std::string path{};  // the chosen full path; may be empty when the dialog failed
};

class Ui {
 public:
  virtual ~Ui() = default;
  // The new window is hidden until made visible.
  virtual std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) = 0;
  // A modal message box with one OK button and the application's title as its caption.
  virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;
  // The same box with a warning icon and the buttons はい and いいえ, いいえ being the default:
  // for a question whose はい gives something up.
  virtual Answer AskYesNo(std::string_view text) = 0;
  // Lets the events that are waiting be handled once.
  virtual void ProcessPendingEvents() = 0;
  // Runs `command` once the event loop is back at its top level: after the handler that posted
  // it has returned, and outside every nested loop (a modal window, a message box, a popup
  // menu, a call that waits for another process). Commands run one at a time, in the order
  // they were posted; one that a command posts runs after it.
  virtual void Post(std::function<void()> command) = 0;
  // Opens a popup menu at the mouse pointer, owned by `owner`; items answer either mouse
  // button. Returns the chosen item's command, or 0 when the menu was dismissed.
  virtual int ShowPopupMenu(Form& owner, const std::vector<MenuItem>& items) = 0;
  // The common Save-file dialog, modal to `owner`.
  virtual SaveDialogResult ShowSaveDialog(Form& owner, const SaveDialogOptions& options) = 0;
  // True while a window of the program is shown modally: a form's ShowModal, a message box, a
  // question or the Save dialog (not a popup menu, which closes at the next click elsewhere).
  [[nodiscard]] virtual bool InModalLoop() const = 0;
};

// The application's title, used as the caption of its message boxes.
inline constexpr std::string_view kApplicationTitle = "Pagemind";

}  // namespace pagemind::platform
