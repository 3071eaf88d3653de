#include <algorithm>
#include <stdexcept>

#include "platform/headless/headless_platform.h"

namespace pagemind::platform::headless {

std::unique_ptr<Form> HeadlessUi::CreateForm(const FormLayout& layout, FormEvents& events) {
  journal_.Record(layout.name + " create");
  return std::make_unique<HeadlessForm>(*this, layout, events);
}

void HeadlessUi::ShowMessage(std::string_view text, MessageIcon icon) {
  journal_.Record("message " + std::string(text));
  messages_.push_back({std::string(text), icon});
  const NestedLoop box(*this, NestedLoop::Kind::kModal);
  // A copy: the user's actions may show another message, which moves the list.
  if (onMessage) onMessage(ShownMessage(messages_.back()));
}

Answer HeadlessUi::AskYesNo(std::string_view text) {
  journal_.Record("question " + std::string(text));
  questions_.emplace_back(text);
  const NestedLoop box(*this, NestedLoop::Kind::kModal);
  if (answers.empty()) {
    throw std::logic_error("a question that the test does not answer: " + std::string(text));
  }
  const Answer answer = answers.front();
  answers.pop_front();
  journal_.Record(answer == Answer::kYes ? "answer yes" : "answer no");
  return answer;
}

void HeadlessUi::ProcessPendingEvents() {
  ++pendingEventRounds_;
  if (onPendingEvents) onPendingEvents();
}

int HeadlessUi::ShowPopupMenu(Form& owner, const std::vector<MenuItem>& items) {
  journal_.Record(static_cast<HeadlessForm&>(owner).layout().name + " popup menu");
  popupMenus.push_back(items);
  const NestedLoop menu(*this);
  return onPopupMenu ? onPopupMenu(items) : 0;
}

SaveDialogResult HeadlessUi::ShowSaveDialog(Form& owner, const SaveDialogOptions& options) {
  journal_.Record(static_cast<HeadlessForm&>(owner).layout().name + " save dialog");
  saveDialogs.push_back(options);
  const NestedLoop dialog(*this, NestedLoop::Kind::kModal);
  return onSaveDialog ? onSaveDialog(options) : SaveDialogResult{};
}

void HeadlessUi::Post(std::function<void()> command) {
  posted_.push_back(std::move(command));
}

void HeadlessUi::Deliver(const std::function<void()>& event) {
  {
    const NestedLoop handler(*this);
    event();
  }
  if (depth_ == 0) RunPosted();
}

void HeadlessUi::RunPosted() {
  while (!posted_.empty()) {
    auto command = std::move(posted_.front());
    posted_.pop_front();
    // While a command runs, what it posts and what the user does inside its loops waits.
    const NestedLoop running(*this);
    command();
  }
}

void HeadlessUi::RunModalLoop(HeadlessForm& form) {
  const long serial = form.serial_;
  const NestedLoop loop(*this, NestedLoop::Kind::kModal);
  while (!whileModal.empty() && Alive(&form, serial) && form.IsVisible()) {
    auto action = std::move(whileModal.front());
    whileModal.pop_front();
    action();
  }
}

long HeadlessUi::Register(HeadlessForm* form) {
  forms_.push_back(form);
  return nextSerial_++;
}

bool HeadlessUi::Alive(const HeadlessForm* form, long serial) const {
  return std::any_of(forms_.begin(), forms_.end(), [&](const HeadlessForm* live) {
    return live == form && live->serial_ == serial;
  });
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
  // What the test's own calls posted (the start, say) runs first, as the loop would run it.
  if (depth_ == 0) RunPosted();
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
    Deliver([form, id] { form->events_.OnTimer(id); });
  }
  now_ = target;
}

HeadlessForm* HeadlessUi::Find(std::string_view name) const {
  for (auto* form : forms_) {
    if (form->layout().name == name) return form;
  }
  return nullptr;
}

}  // namespace pagemind::platform::headless
