#pragma once

#include <string>
#include <vector>

namespace pagemind::platform::headless {

// What the headless platform was asked to do, in order, so tests can check the order of steps
// that leave no other trace (settings reads, system-menu changes, message boxes).
class Journal {
 public:
  void Record(std::string entry) { entries_.push_back(std::move(entry)); }
  [[nodiscard]] const std::vector<std::string>& entries() const { return entries_; }
  void Clear() { entries_.clear(); }

 private:
  std::vector<std::string> entries_;
};

}  // namespace pagemind::platform::headless
