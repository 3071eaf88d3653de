#include "access_log/access_log.h"

namespace pagemind::access_log {

namespace {
// OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT: confirm replacing a file and creating a new one.
constexpr std::uint32_t kSaveDialogFlags = 8194;
}  // namespace

void AccessLog::InsertAtTop(std::string_view line) {
  lines_.emplace_front(line);
  if (view_ != nullptr) view_->LineInsertedAtTop(line);
  while (lines_.size() > kLineLimit) {
    lines_.pop_back();
    if (view_ != nullptr) view_->LastLineRemoved();
  }
}

void AccessLog::RecordVisit(std::string_view address, const std::optional<std::string>& title) {
  InsertAtTop(" URL:" + std::string(address));
  if (title) InsertAtTop("Name:" + *title);
}

void AccessLog::RecordSteppedOver(int position) {
  counter_ = "Count:" + std::to_string(position);
  if (view_ != nullptr) view_->CounterChanged(counter_);
}

void AccessLog::RecordGaveUp(int position) {
  InsertAtTop("Skip:" + std::to_string(position));
}

void AccessLog::RecordBrowserNote(std::string_view line) {
  notes_.emplace_front(line);
  if (notes_.size() > kNotesKept) notes_.pop_back();
  InsertAtTop(line);
}

void AccessLog::Clear() {
  lines_.clear();
  if (view_ != nullptr) view_->Cleared();
  for (auto note = notes_.rbegin(); note != notes_.rend(); ++note) InsertAtTop(*note);
}

std::string AccessLog::FileBytes(const platform::AnsiCodec& ansi) const {
  return access_log::FileBytes(
      [this](std::size_t i) { return i < lines_.size() ? lines_[i] : std::string(); }, ansi);
}

std::string FileBytes(const std::function<std::string(std::size_t)>& lineAt,
                      const platform::AnsiCodec& ansi) {
  std::string bytes;
  for (std::size_t i = 0; i < kLineLimit; ++i) {
    const std::string line = lineAt(i);
    if (line.empty()) break;
    bytes += ansi.ToAnsi(line);
    bytes += "\r\n";
  }
  return bytes;
}

platform::SaveDialogOptions SaveDialogOptions(const std::string& lastPath) {
  return {
      .title = "ファイルの保存",
      .filter = "テキスト形式(*.txt)|*.txt|全てのファイルを表示(*.*)|*.*|",
      .flags = kSaveDialogFlags,
      .filterIndex = 1,
      .initialPath = lastPath,
  };
}

}  // namespace pagemind::access_log
