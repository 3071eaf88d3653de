#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/files.h"
#include "platform/headless/journal.h"
#include "platform/headless/scripted_shell.h"
#include "platform/ports.h"

namespace pagemind::platform::headless {

std::unique_ptr<AnsiCodec> MakeIconvAnsiCodec(const std::string& codePage);
std::unique_ptr<Profile> MakeIniProfile(Journal* journal, FileSystem& files);

class HeadlessUi;

// A window kept in memory: caption, visibility and every control's state, with the user's
// actions (clicks, keys, close requests) available to tests.
class HeadlessForm final : public Form {
 public:
  HeadlessForm(HeadlessUi& ui, const FormLayout& layout, FormEvents& events);
  ~HeadlessForm() override;

  void SetVisible(bool visible) override;
  [[nodiscard]] bool IsVisible() const override { return visible_; }
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
  void RemoveCloseFromSystemMenu() override;
  void StartTimer(int timerId, std::chrono::milliseconds interval) override;
  void StopTimer(int timerId) override;

  // What a user can do. Each may end with this form destroyed.
  void Click(int controlId);
  void ClickNamed(std::string_view name);
  void PressEnter();   // presses the default button
  void PressEscape();  // presses the cancel button
  void RequestClose(UnloadReason reason);
  void ChooseCommand(int commandId);
  void TrayMessage(int mouseMessage);

  // What a test can look at.
  [[nodiscard]] const FormLayout& layout() const { return layout_; }
  [[nodiscard]] const ControlLayout& Control(std::string_view name) const;
  [[nodiscard]] std::string TextNamed(std::string_view name) const;
  [[nodiscard]] bool IsVisibleNamed(std::string_view name) const;
  [[nodiscard]] bool closeRemoved() const { return closeRemoved_; }
  [[nodiscard]] bool shownModally() const { return modal_; }
  [[nodiscard]] std::vector<std::string> Lines(int controlId) const;

 private:
  friend class HeadlessUi;
  struct ControlState {
    std::string text;
    bool visible = true;
    bool selected = false;
    std::vector<std::string> lines;  // top first
  };
  ControlState& State(int controlId);
  [[nodiscard]] const ControlState& State(int controlId) const;
  [[nodiscard]] const ControlLayout& ControlById(int controlId) const;

  HeadlessUi& ui_;
  FormLayout layout_;
  FormEvents& events_;
  bool visible_ = false;
  bool modal_ = false;
  bool closeRemoved_ = false;
  std::map<int, ControlState> controls_;
};

struct ShownMessage {
  std::string text;
  MessageIcon icon;
};

class HeadlessUi final : public Ui {
 public:
  explicit HeadlessUi(Journal& journal) : journal_(journal) {}

  std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
  void ShowMessage(std::string_view text, MessageIcon icon) override;
  void ProcessPendingEvents() override;
  int ShowPopupMenu(Form& owner, const std::vector<MenuItem>& items) override;
  SaveDialogResult ShowSaveDialog(Form& owner, const SaveDialogOptions& options) override;

  // The shell's taskbar restarts: every form hears of it.
  void RestartTaskbar();

  // Moves the clock on, firing every timer that falls due on the way, in time order.
  void Advance(std::chrono::milliseconds duration);
  [[nodiscard]] std::chrono::milliseconds now() const { return now_; }

  // The loaded form of that name, or nullptr.
  [[nodiscard]] HeadlessForm* Find(std::string_view name) const;
  [[nodiscard]] const std::vector<ShownMessage>& messages() const { return messages_; }
  [[nodiscard]] int pendingEventRounds() const { return pendingEventRounds_; }
  // Runs while a message box is shown, as a user would act on the screen before pressing OK.
  std::function<void(const ShownMessage&)> onMessage;
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
  void Register(HeadlessForm* form) { forms_.push_back(form); }
  void Unregister(HeadlessForm* form);
  void SetTimer(HeadlessForm* form, int id, std::chrono::milliseconds interval);
  void KillTimer(HeadlessForm* form, int id);

  Journal& journal_;
  std::vector<HeadlessForm*> forms_;
  std::vector<Timer> timers_;
  std::vector<ShownMessage> messages_;
  std::chrono::milliseconds now_{0};
  long timerOrder_ = 0;
  int pendingEventRounds_ = 0;
};

// The notification area: the icons it holds, and callbacks a test delivers as the shell would.
class HeadlessNotifyArea final : public NotifyArea {
 public:
  explicit HeadlessNotifyArea(Journal& journal) : journal_(journal) {}
  bool Add(Form& owner, int receiverId, const NotifyIconRecord& record) override;
  bool Delete(Form& owner, int receiverId, const NotifyIconRecord& record) override;

  // The shell's taskbar goes away with every icon in it.
  void Restart() { icons.clear(); }
  // The mouse acts on the icon: the callback reaches its receiver.
  void Mouse(int mouseMessage);

  struct Icon {
    HeadlessForm* owner;
    int receiverId;
    NotifyIconRecord record;
  };
  std::vector<Icon> icons;
  // Adds fail while this is above 0, one fewer each time.
  int failingAdds = 0;
  int addCalls = 0;

 private:
  Journal& journal_;
};

class HeadlessProgram final : public ProgramFacts {
 public:
  HeadlessProgram(Journal& journal, std::filesystem::path folder)
      : journal_(journal), folder_(std::move(folder)) {}
  bool AnotherInstanceRunning() override { return anotherInstance; }
  [[nodiscard]] std::filesystem::path Folder() const override { return folder_; }
  [[nodiscard]] Version ProgramVersion() const override { return version; }
  void EndProcess() override {
    journal_.Record("end process");
    ended_ = true;
  }
  [[nodiscard]] bool ended() const { return ended_; }

  bool anotherInstance = false;
  Version version{1, 0, 0};

 private:
  Journal& journal_;
  std::filesystem::path folder_;
  bool ended_ = false;
};

// Every port in memory, with the program folder in a real folder so that file code runs for
// real.
class HeadlessPlatform {
 public:
  explicit HeadlessPlatform(std::filesystem::path programFolder);
  ~HeadlessPlatform();
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  Ports ports() { return Ports{program, ui, *profile, *ansi, shell, notifyArea, files}; }

  Journal journal;
  // Before the profile, which writes its file through it.
  PosixFileSystem files{&journal};
  HeadlessProgram program;
  HeadlessUi ui;
  std::unique_ptr<Profile> profile;
  std::unique_ptr<AnsiCodec> ansi;
  ScriptedShell shell;
  HeadlessNotifyArea notifyArea{journal};
};

}  // namespace pagemind::platform::headless
