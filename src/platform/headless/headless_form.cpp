#include <algorithm>
#include <stdexcept>

#include "platform/headless/headless_ui.h"

namespace pagemind::platform::headless {

HeadlessForm::HeadlessForm(HeadlessUi& ui, const FormLayout& layout, FormEvents& events)
    : ui_(ui), layout_(layout), events_(events), serial_(ui.Register(this)) {
  for (const auto& control : layout_.controls) {
    controls_[control.id] = ControlState{control.text, control.visible, false, {}, {}, {}};
  }
}

HeadlessForm::~HeadlessForm() {
  ui_.Unregister(this);
}

void HeadlessForm::SetVisible(bool visible) {
  visible_ = visible;
  if (!visible) modal_ = false;
}

void HeadlessForm::ShowModal() {
  visible_ = true;
  modal_ = true;
  ui_.journal_.Record(layout_.name + " show modal");
  ui_.RunModalLoop(*this);
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

HeadlessForm::ControlState& HeadlessForm::CheckList(int controlId) {
  if (ControlById(controlId).kind != ControlKind::kCheckList) {
    throw std::logic_error("not a check list");
  }
  return controls_[controlId];
}

const HeadlessForm::ControlState& HeadlessForm::CheckList(int controlId) const {
  if (ControlById(controlId).kind != ControlKind::kCheckList) {
    throw std::logic_error("not a check list");
  }
  return controls_.at(controlId);
}

void HeadlessForm::SetCheckListRows(int controlId, const std::vector<CheckListRow>& rows) {
  ControlState& list = CheckList(controlId);
  list.rows = rows;
  list.focusedRow.reset();
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    CheckListRow& row = list.rows[i];
    if (!row.checkable) row.checked = false;
    if (row.checkable && !list.focusedRow) list.focusedRow = i;
  }
}

std::vector<bool> HeadlessForm::CheckedRows(int controlId) const {
  std::vector<bool> checked;
  for (const CheckListRow& row : CheckList(controlId).rows) checked.push_back(row.checked);
  return checked;
}

void HeadlessForm::SetRowChecked(int controlId, std::size_t row, bool checked) {
  auto& rows = CheckList(controlId).rows;
  if (row < rows.size() && rows[row].checkable) rows[row].checked = checked;
}

std::vector<CheckListRow> HeadlessForm::Rows(int controlId) const {
  return CheckList(controlId).rows;
}

std::optional<std::size_t> HeadlessForm::FocusedRow(int controlId) const {
  return CheckList(controlId).focusedRow;
}

void HeadlessForm::ToggleRow(int controlId, std::size_t row) {
  if (row >= CheckList(controlId).rows.size()) throw std::out_of_range("no such row");
  ui_.Deliver([this, controlId, row] {
    ControlState& list = CheckList(controlId);
    list.focusedRow = row;
    CheckListRow& target = list.rows[row];
    if (target.checkable) target.checked = !target.checked;
  });
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
    ui_.Deliver([this, controlId] { SelectOption(controlId); });
  } else {
    ui_.Deliver([this, controlId] { events_.OnClick(controlId); });
  }
}

void HeadlessForm::ClickNamed(std::string_view name) {
  Click(Control(name).id);
}

void HeadlessForm::PressEnter() {
  for (const auto& control : layout_.controls) {
    if (control.isDefault) return Click(control.id);
  }
}

void HeadlessForm::PressEscape() {
  for (const auto& control : layout_.controls) {
    if (control.isCancel) return Click(control.id);
  }
}

void HeadlessForm::RequestClose(UnloadReason reason) {
  ui_.Deliver([this, reason] { events_.OnCloseRequest(reason); });
}

void HeadlessForm::ChooseCommand(int commandId) {
  ui_.Deliver([this, commandId] { events_.OnCommand(commandId); });
}

std::string HeadlessForm::TextNamed(std::string_view name) const {
  return Text(Control(name).id);
}
bool HeadlessForm::IsVisibleNamed(std::string_view name) const {
  return IsControlVisible(Control(name).id);
}

}  // namespace pagemind::platform::headless
