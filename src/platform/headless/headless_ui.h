#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/journal.h"
#include "platform/ui.h"

namespace pagemind::platform::headless {

class HeadlessUi;

// A window kept in memory: caption, visibility and every control's state, with the user's
// actions (clicks, keys, close requests) available to tests.
class HeadlessForm final : public Form {
 public:
  HeadlessForm(HeadlessUi& ui, const FormLayout& layout, FormEvents& events);
  ~HeadlessForm() override;
  HeadlessForm(const HeadlessForm&) = delete;
  HeadlessForm& operator=(const HeadlessForm&) = delete;

  void SetVisible(bool visible) override;
  [[nodiscard]] bool IsVisible() const override { return visible_; }
  // Runs the modal loop: see HeadlessUi::whileModal.
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

  // What a user can do, each delivered as the event loop delivers it. Each may end with this
  // form destroyed.
  void Click(int controlId);
  void ClickNamed(std::string_view name);
  void PressEnter();   // presses the default button
  void PressEscape();  // presses the cancel button
  void RequestClose(UnloadReason reason);
  // A menu command reaches the window (as a test tool posts one to the running program).
  void ChooseCommand(int commandId);
  // Moves the focus to a check list's row and presses space there: its box toggles, unless the
  // row is a heading. Raises no event, as on Windows. Throws for a row out of range: the user
  // cannot press space on a row that is not there.
  void ToggleRow(int controlId, std::size_t row);

  // What a test can look at.
  [[nodiscard]] const FormLayout& layout() const { return layout_; }
  [[nodiscard]] const ControlLayout& Control(std::string_view name) const;
  [[nodiscard]] std::string TextNamed(std::string_view name) const;
  [[nodiscard]] bool IsVisibleNamed(std::string_view name) const;
  [[nodiscard]] bool closeRemoved() const { return closeRemoved_; }
  [[nodiscard]] bool shownModally() const { return modal_; }
  [[nodiscard]] std::vector<std::string> Lines(int controlId) const;
  // A check list's rows as they show now, and the row with the focus (none until a checkable
  // row was given or one was toggled).
  [[nodiscard]] std::vector<CheckListRow> Rows(int controlId) const;
  [[nodiscard]] std::optional<std::size_t> FocusedRow(int controlId) const;

 private:
  friend class HeadlessUi;
  struct ControlState {
    std::string text;
    bool visible = true;
    bool selected = false;
    std::vector<std::string> lines;  // top first
    std::vector<CheckListRow> rows;
    std::optional<std::size_t> focusedRow;
  };
  ControlState& State(int controlId);
  [[nodiscard]] const ControlState& State(int controlId) const;
  [[nodiscard]] const ControlLayout& ControlById(int controlId) const;
  // Throws unless the control is a check list: a form calling these on another kind is wrong.
  ControlState& CheckList(int controlId);
  [[nodiscard]] const ControlState& CheckList(int controlId) const;

  HeadlessUi& ui_;
  FormLayout layout_;
  FormEvents& events_;
  long serial_;
  bool visible_ = false;
  bool modal_ = false;
  bool closeRemoved_ = false;
  std::map<int, ControlState> controls_;
};

struct ShownMessage {
  std::string text;
  MessageIcon icon;
};

// The user interface in memory, with an event loop that a test drives: every user action,
// timer tick and shell callback is delivered through Deliver, as the top-level message loop
// dispatches a message, and the commands posted meanwhile run once it has returned.
class HeadlessUi final : public Ui {
 public:
  explicit HeadlessUi(Journal& journal) : journal_(journal) {}

  std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
  void ShowMessage(std::string_view text, MessageIcon icon) override;
  // Takes the next of `answers`; a question the test did not answer throws, so that the test
  // fails rather than go on with an answer nobody gave.
  Answer AskYesNo(std::string_view text) override;
  void ProcessPendingEvents() override;
  int ShowPopupMenu(Form& owner, const std::vector<MenuItem>& items) override;
  SaveDialogResult ShowSaveDialog(Form& owner, const SaveDialogOptions& options) override;
  void Post(std::function<void()> command) override;
  // While a message box, a question or the Save dialog shows (their test callbacks run), and
  // while a modal form's loop runs the actions of whileModal.
  [[nodiscard]] bool InModalLoop() const override { return modalDepth_ > 0; }

  // Hands one event to the program. At the top level, the posted commands run after it; inside
  // a nested loop (a modal window, a message box, a menu, a call to the shell) they wait for
  // the loop to end, as on Windows.
  void Deliver(const std::function<void()>& event);
  // The process has ended: what was posted never runs.
  void DiscardPosted() { posted_.clear(); }
  [[nodiscard]] std::size_t postedCount() const { return posted_.size(); }

  // Moves the clock on, firing every timer that falls due on the way, in time order.
  void Advance(std::chrono::milliseconds duration);
  [[nodiscard]] std::chrono::milliseconds now() const { return now_; }

  // The loaded form of that name, or nullptr.
  [[nodiscard]] HeadlessForm* Find(std::string_view name) const;
  [[nodiscard]] const std::vector<ShownMessage>& messages() const { return messages_; }
  [[nodiscard]] const std::vector<std::string>& questions() const { return questions_; }
  [[nodiscard]] int pendingEventRounds() const { return pendingEventRounds_; }

  // What the user does while the next modal windows show, in order. A modal window's loop runs
  // these until it is hidden or gone; when they run out while it still shows, its ShowModal
  // returns and the test goes on acting on the window as if the loop were still running.
  std::deque<std::function<void()>> whileModal;
  // Runs while a message box is shown, as a user would act on the screen before pressing OK.
  std::function<void(const ShownMessage&)> onMessage;
  // What arrives while the program lets the pending events through (a timer that falls due,
  // say, by Advance): on Windows every message waiting then is handled.
  std::function<void()> onPendingEvents;
  // The user's answers to the next questions, in order.
  std::deque<Answer> answers;
  // The user's choice in an open popup menu (0 dismisses it); the menus shown, in order.
  std::function<int(const std::vector<MenuItem>&)> onPopupMenu;
  std::vector<std::vector<MenuItem>> popupMenus;
  // The user's answer to the Save dialog, given what it shows; the dialogs shown, in order.
  std::function<SaveDialogResult(const SaveDialogOptions&)> onSaveDialog;
  std::vector<SaveDialogOptions> saveDialogs;

 private:
  friend class HeadlessForm;
  struct Timer {
    HeadlessForm* form;
    int id;
    std::chrono::milliseconds interval;
    std::chrono::milliseconds due;
    long order;
  };
  // Counts a nested loop (or a command running) for as long as it lives, and a modal window's
  // loop as such too.
  class NestedLoop {
   public:
    enum class Kind { kOther, kModal };
    explicit NestedLoop(HeadlessUi& ui, Kind kind = Kind::kOther) : ui_(ui), kind_(kind) {
      ++ui_.depth_;
      if (kind_ == Kind::kModal) ++ui_.modalDepth_;
    }
    ~NestedLoop() {
      --ui_.depth_;
      if (kind_ == Kind::kModal) --ui_.modalDepth_;
    }
    NestedLoop(const NestedLoop&) = delete;
    NestedLoop& operator=(const NestedLoop&) = delete;

   private:
    HeadlessUi& ui_;
    Kind kind_;
  };

  long Register(HeadlessForm* form);
  void Unregister(HeadlessForm* form);
  [[nodiscard]] bool Alive(const HeadlessForm* form, long serial) const;
  void RunModalLoop(HeadlessForm& form);
  void RunPosted();
  void SetTimer(HeadlessForm* form, int id, std::chrono::milliseconds interval);
  void KillTimer(HeadlessForm* form, int id);

  Journal& journal_;
  std::vector<HeadlessForm*> forms_;
  long nextSerial_ = 0;
  std::vector<Timer> timers_;
  std::vector<ShownMessage> messages_;
  std::vector<std::string> questions_;
  std::deque<std::function<void()>> posted_;
  int depth_ = 0;
  int modalDepth_ = 0;
  std::chrono::milliseconds now_{0};
  long timerOrder_ = 0;
  int pendingEventRounds_ = 0;
};

}  // namespace pagemind::platform::headless
