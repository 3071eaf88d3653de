#include <algorithm>
#include <stdexcept>

#include "platform/headless/headless_platform.h"

namespace pagemind::platform::headless {

HeadlessForm::HeadlessForm(HeadlessUi& ui, const FormLayout& layout, FormEvents& events)
    : ui_(ui), layout_(layout), events_(events) {
  for (const auto& control : layout_.controls) {
    controls_[control.id] = ControlState{control.text, control.visible, false, {}};
  }
  ui_.Register(this);
}

HeadlessForm::~HeadlessForm() {
  ui_.Unregister(this);
}

void HeadlessForm::SetVisible(bool visible) {
  visible_ = visible;
  if (!visible) modal_ = false;
}

void HeadlessForm::ShowModal() {
  // A test plays the user inside the modal loop, so the call records the state and returns.
  visible_ = true;
  modal_ = true;
  ui_.journal_.Record(layout_.name + " show modal");
}

const ControlLayout& HeadlessForm::ControlById(int controlId) const {
  for (const auto& control : layout_.controls) {
    if (control.id == controlId) return control;
  }
  throw std::out_of_range(layout_.name + " has no control " + std::to_string(controlId));
}

const ControlLayout& HeadlessForm::Control(std::string_view name) const {
  for (const auto& control : layout_.controls) {
    if (control.name == name) return control;
  }
  throw std::out_of_range(layout_.name + " has no control " + std::string(name));
}

HeadlessForm::ControlState& HeadlessForm::State(int controlId) {
  (void)ControlById(controlId);
  return controls_[controlId];
}

const HeadlessForm::ControlState& HeadlessForm::State(int controlId) const {
  (void)ControlById(controlId);
  return controls_.at(controlId);
}

void HeadlessForm::SetText(int controlId, std::string_view text) {
  State(controlId).text = std::string(text);
}
std::string HeadlessForm::Text(int controlId) const {
  return State(controlId).text;
}
void HeadlessForm::SetControlVisible(int controlId, bool visible) {
  State(controlId).visible = visible;
}
bool HeadlessForm::IsControlVisible(int controlId) const {
  return State(controlId).visible;
}

void HeadlessForm::SelectOption(int controlId) {
  const auto& chosen = ControlById(controlId);
  if (chosen.kind != ControlKind::kOptionButton) throw std::logic_error("not an option button");
  for (const auto& control : layout_.controls) {
    if (control.kind == ControlKind::kOptionButton && control.parent == chosen.parent) {
      controls_[control.id].selected = control.id == controlId;
    }
  }
  events_.OnClick(controlId);
}

bool HeadlessForm::IsOptionSelected(int controlId) const {
  return State(controlId).selected;
}

void HeadlessForm::InsertLineAtTop(int controlId, std::string_view line) {
  auto& lines = State(controlId).lines;
  lines.insert(lines.begin(), std::string(line));
}
void HeadlessForm::ClearLines(int controlId) {
  State(controlId).lines.clear();
}
std::size_t HeadlessForm::LineCount(int controlId) const {
  return State(controlId).lines.size();
}
std::string HeadlessForm::Line(int controlId, std::size_t index) const {
  const auto& lines = State(controlId).lines;
  return index < lines.size() ? lines[index] : std::string();
}
void HeadlessForm::RemoveLastLine(int controlId) {
  auto& lines = State(controlId).lines;
  if (!lines.empty()) lines.pop_back();
}
std::vector<std::string> HeadlessForm::Lines(int controlId) const {
  return State(controlId).lines;
}

void HeadlessForm::RemoveCloseFromSystemMenu() {
  closeRemoved_ = true;
  ui_.journal_.Record(layout_.name + " remove close");
}

void HeadlessForm::StartTimer(int timerId, std::chrono::milliseconds interval) {
  ui_.SetTimer(this, timerId, interval);
}
void HeadlessForm::StopTimer(int timerId) {
  ui_.KillTimer(this, timerId);
}

void HeadlessForm::Click(int controlId) {
  const auto& control = ControlById(controlId);
  if (control.kind == ControlKind::kOptionButton) {
    SelectOption(controlId);
  } else {
    events_.OnClick(controlId);
  }
}

void HeadlessForm::ClickNamed(std::string_view name) {
  Click(Control(name).id);
}

void HeadlessForm::PressEnter() {
  for (const auto& control : layout_.controls) {
    if (control.isDefault) return events_.OnClick(control.id);
  }
}

void HeadlessForm::PressEscape() {
  for (const auto& control : layout_.controls) {
    if (control.isCancel) return events_.OnClick(control.id);
  }
}

void HeadlessForm::RequestClose(UnloadReason reason) {
  events_.OnCloseRequest(reason);
}
void HeadlessForm::ChooseCommand(int commandId) {
  events_.OnCommand(commandId);
}

void HeadlessForm::TrayMessage(int mouseMessage) {
  events_.OnTrayMessage(mouseMessage);
}

std::string HeadlessForm::TextNamed(std::string_view name) const {
  return Text(Control(name).id);
}
bool HeadlessForm::IsVisibleNamed(std::string_view name) const {
  return IsControlVisible(Control(name).id);
}

std::unique_ptr<Form> HeadlessUi::CreateForm(const FormLayout& layout, FormEvents& events) {
  journal_.Record(layout.name + " create");
  return std::make_unique<HeadlessForm>(*this, layout, events);
}

void HeadlessUi::ShowMessage(std::string_view text, MessageIcon icon) {
  journal_.Record("message " + std::string(text));
  messages_.push_back({std::string(text), icon});
  if (onMessage) onMessage(messages_.back());
}

void HeadlessUi::ProcessPendingEvents() {
  ++pendingEventRounds_;
}

int HeadlessUi::ShowPopupMenu(Form& owner, const std::vector<MenuItem>& items) {
  journal_.Record(static_cast<HeadlessForm&>(owner).layout().name + " popup menu");
  popupMenus.push_back(items);
  return onPopupMenu ? onPopupMenu(items) : 0;
}

SaveDialogResult HeadlessUi::ShowSaveDialog(Form& owner, const SaveDialogOptions& options) {
  journal_.Record(static_cast<HeadlessForm&>(owner).layout().name + " save dialog");
  saveDialogs.push_back(options);
  return onSaveDialog ? onSaveDialog(options) : SaveDialogResult{};
}

void HeadlessUi::RestartTaskbar() {
  // A copy: a handler may load or unload forms.
  const auto forms = forms_;
  for (auto* form : forms) {
    if (std::find(forms_.begin(), forms_.end(), form) != forms_.end()) {
      form->events_.OnTaskbarCreated();
    }
  }
}

bool HeadlessNotifyArea::Add(Form& owner, int receiverId, const NotifyIconRecord& record) {
  ++addCalls;
  journal_.Record("tray add");
  if (failingAdds > 0) {
    --failingAdds;
    return false;
  }
  icons.push_back({&static_cast<HeadlessForm&>(owner), receiverId, record});
  return true;
}

bool HeadlessNotifyArea::Delete(Form& owner, int receiverId, const NotifyIconRecord& record) {
  journal_.Record("tray delete");
  const auto before = icons.size();
  std::erase_if(icons, [&](const Icon& icon) {
    return icon.owner == &owner && icon.receiverId == receiverId &&
           icon.record.iconId == record.iconId;
  });
  return icons.size() != before;
}

void HeadlessNotifyArea::Mouse(int mouseMessage) {
  if (icons.empty()) throw std::logic_error("no icon in the notification area");
  icons.front().owner->TrayMessage(mouseMessage);
}

void HeadlessUi::Unregister(HeadlessForm* form) {
  journal_.Record(form->layout().name + " destroy");
  std::erase(forms_, form);
  std::erase_if(timers_, [form](const Timer& t) { return t.form == form; });
}

void HeadlessUi::SetTimer(HeadlessForm* form, int id, std::chrono::milliseconds interval) {
  KillTimer(form, id);
  timers_.push_back({form, id, interval, now_ + interval, timerOrder_++});
}

void HeadlessUi::KillTimer(HeadlessForm* form, int id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.form == form && t.id == id; });
}

void HeadlessUi::Advance(std::chrono::milliseconds duration) {
  const auto target = now_ + duration;
  for (;;) {
    auto next =
        std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
          return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
    if (next == timers_.end() || next->due > target) break;
    now_ = next->due;
    next->due += next->interval;
    HeadlessForm* form = next->form;
    const int id = next->id;
    // The handler may stop timers or destroy the form, so nothing of `next` is used after this.
    form->events_.OnTimer(id);
  }
  now_ = target;
}

HeadlessForm* HeadlessUi::Find(std::string_view name) const {
  for (auto* form : forms_) {
    if (form->layout().name == name) return form;
  }
  return nullptr;
}

HeadlessPlatform::HeadlessPlatform(std::filesystem::path programFolder)
    : program(journal, std::move(programFolder)),
      ui(journal),
      profile(MakeIniProfile(&journal, files)),
      ansi(MakeIconvAnsiCodec("CP932")) {}

HeadlessPlatform::~HeadlessPlatform() = default;

}  // namespace pagemind::platform::headless
