#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_window.h"

namespace pagemind::platform::win32 {

class WindowUi final : public Ui {
 public:
  // What happens when the last form goes: the shipped program ends its message loop then, as
  // a program without windows has nothing left to do; tests keep theirs.
  enum class WhenLastFormCloses { kKeepRunning, kQuit };

  explicit WindowUi(WhenLastFormCloses whenLastFormCloses = WhenLastFormCloses::kKeepRunning);

  std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
  // Owned by the active form when there is one; otherwise MB_TASKMODAL disables every window
  // of the thread, so that no form takes input behind the box.
  void ShowMessage(std::string_view text, MessageIcon icon) override;
  // MB_YESNO with MB_DEFBUTTON2, owned as ShowMessage's box is.
  Answer AskYesNo(std::string_view text) override;
  void ProcessPendingEvents() override;
  // TrackPopupMenuEx at the mouse pointer, with the owner made the foreground window first so
  // that a click elsewhere closes the menu (a notification-area menu needs that).
  int ShowPopupMenu(Form& owner, const std::vector<MenuItem>& items) override;
  // GetSaveFileNameW, Explorer style.
  SaveDialogResult ShowSaveDialog(Form& owner, const SaveDialogOptions& options) override;
  // Queued here and run by RunUiMessageLoop only. A wake-up message to a window of this object
  // makes the loop's wait return; the system's modal loops dispatch such a message (a thread
  // message they would drop), and it does nothing by itself.
  void Post(std::function<void()> command) override;

  [[nodiscard]] bool InModalLoop() const override { return modalLoops_ > 0; }

  // Counts a modal window's loop for InModalLoop while it lives; the window may go first.
  class ModalLoop {
   public:
    explicit ModalLoop(WindowUi& ui) noexcept : ui_(ui) { ++ui_.modalLoops_; }
    ~ModalLoop() { --ui_.modalLoops_; }
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;

   private:
    WindowUi& ui_;
  };

  // A hidden window that owns the forms kept out of the taskbar. Destroyed with this object,
  // which therefore outlives every form it made.
  HWND HiddenOwner();

  void FormOpened() noexcept { ++openForms_; }
  void FormClosed() noexcept;

  // Runs what Post queued, in order, including what those commands post meanwhile. Only the
  // top-level loop calls it.
  void RunPostedCommands();

 private:
  WhenLastFormCloses whenLastFormCloses_;
  int openForms_ = 0;
  int modalLoops_ = 0;
  std::optional<MessageWindow> hiddenOwner_;
  std::deque<std::function<void()>> posted_;
  bool wakeUpPosted_ = false;
  bool runningPosted_ = false;
  MessageWindow wakeUp_{MessageWindow::Kind::kMessageOnly, nullptr};
};

// Handles one message the way every loop of the program does: the active form's dialog keys
// first, then translation and dispatch.
void DispatchUiMessage(MSG& message);

// Runs the thread's message loop until WM_QUIT and returns its exit code. The one top-level
// loop: before it waits for a message it runs the commands posted to `ui`.
int RunUiMessageLoop(WindowUi& ui);

}  // namespace pagemind::platform::win32
