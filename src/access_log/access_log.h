#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ansi.h"
#include "platform/ui.h"

namespace pagemind::access_log {

// The most lines the access log keeps; as many as its save writes.
inline constexpr std::size_t kLineLimit = 10001;
// The most notes on the browsers' files that outlive the poller's clearing of the log.
inline constexpr std::size_t kNotesKept = 20;

// Whatever shows the access log is told of each change as it happens.
class AccessLogView {
 public:
  virtual void LineInsertedAtTop(std::string_view line) = 0;
  virtual void LastLineRemoved() = 0;
  virtual void Cleared() = 0;
  virtual void CounterChanged(std::string_view text) = 0;

 protected:
  ~AccessLogView() = default;
};

// The pages the poller has seen, newest on top, and the debug counter beside them. The
// access-log window only shows what this holds, and its save writes this, not the window.
class AccessLog {
 public:
  void SetView(AccessLogView* view) { view_ = view; }

  // A window the poller visited: its address line, and above it its title line where the
  // title could be read.
  void RecordVisit(std::string_view address, const std::optional<std::string>& title);
  // The debug counter names the position the poller stepped over.
  void RecordSteppedOver(int position);
  // A window whose calls kept failing, passed over for a cycle.
  void RecordGaveUp(int position);
  // What became of a browser's own files: a session kept, a file that could not be read.
  void RecordBrowserNote(std::string_view line);
  // Empties the log for the poller's next cycle. The last kNotesKept notes on the browsers'
  // files stay, newest on top: each is told once, and with any folder window open the poller
  // clears the log every few seconds.
  void Clear();

  [[nodiscard]] const std::deque<std::string>& lines() const { return lines_; }
  [[nodiscard]] const std::string& counter() const { return counter_; }

  // The file the save writes: see FileBytes below.
  [[nodiscard]] std::string FileBytes(const platform::AnsiCodec& ansi) const;

 private:
  // The oldest line goes once there are more than kLineLimit.
  void InsertAtTop(std::string_view line);

  std::deque<std::string> lines_;
  std::deque<std::string> notes_;  // newest first
  std::string counter_ = "Count:00";
  AccessLogView* view_ = nullptr;
};

// The file's bytes: each line from the top in the ANSI code page with CR LF, ending at the
// first empty line and after at most kLineLimit lines. `lineAt` answers "" beyond the last line.
std::string FileBytes(const std::function<std::string(std::size_t)>& lineAt,
                      const platform::AnsiCodec& ansi);

// The Save dialog as the access-log window prepares it each time, offering the last file.
platform::SaveDialogOptions SaveDialogOptions(const std::string& lastPath);

}  // namespace pagemind::access_log
