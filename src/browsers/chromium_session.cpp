#include "browsers/chromium_session.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "browsers/browser_errors.h"
#include "browsers/snss_records.h"

namespace pagemind::browsers {

namespace {

// The command ids of components/sessions/core/session_service_commands.cc that shape the open
// windows; every other id is skipped.
enum Command : std::uint8_t {
  kSetTabWindow = 0,
  kSetTabIndexInWindow = 2,
  kTabNavigationPathPrunedFromBack = 5,
  kUpdateTabNavigation = 6,
  kSetSelectedNavigationIndex = 7,
  kSetSelectedTabInIndex = 8,
  kSetWindowType = 9,
  kTabNavigationPathPrunedFromFront = 11,
  kSetPinnedState = 12,
  kTabClosed = 16,
  kWindowClosed = 17,
  kTabNavigationPathPruned = 24,
};

// SessionWindow::WindowType: the windows whose pages are the user's.
constexpr std::int32_t kNormalWindow = 0;
constexpr std::int32_t kPopupWindow = 1;

// Far beyond what a browser keeps (its history holds 50 entries a tab; the session file at most
// 6 each side of the current one), so that a damaged file cannot make the reader slow or large.
constexpr std::size_t kMaxNavigationsPerTab = 100;
constexpr std::size_t kMaxTabs = 50000;
constexpr std::size_t kMaxWindows = 5000;

struct Navigation {
  std::int32_t index = 0;
  std::string_view address;  // into the file's bytes, converted only for the current entry
  std::string_view title16;
};

struct Tab {
  std::int32_t window = 0;
  std::int32_t visualIndex = 0;
  std::int32_t currentIndex = 0;
  bool pinned = false;
  std::vector<Navigation> navigations;  // ascending by index
};

struct Window {
  bool typed = false;  // a window without SetWindowType is not one the browser restores
  std::int32_t type = 0;
  std::int32_t selectedVisualIndex = 0;
};

// The first navigation whose index is `index` or above.
template <typename Navigations>
auto ClosestNavigation(Navigations& navigations, std::int64_t index) {
  return std::find_if(navigations.begin(), navigations.end(),
                      [index](const Navigation& n) { return n.index >= index; });
}

class SessionBuilder {
 public:
  // False when the record could not be read.
  bool Apply(const SnssRecord& record);
  BrowserSession Build();

 private:
  Tab* GetTab(std::int32_t id);
  Window* GetWindow(std::int32_t id);
  bool UpdateNavigation(std::string_view payload);
  static void Prune(Tab& tab, std::int64_t index, std::int64_t count);

  std::map<std::int32_t, Tab> tabs_;
  std::map<std::int32_t, Window> windows_;
};

Tab* SessionBuilder::GetTab(std::int32_t id) {
  const auto found = tabs_.find(id);
  if (found != tabs_.end()) return &found->second;
  if (tabs_.size() >= kMaxTabs) return nullptr;
  return &tabs_[id];
}

Window* SessionBuilder::GetWindow(std::int32_t id) {
  const auto found = windows_.find(id);
  if (found != windows_.end()) return &found->second;
  if (windows_.size() >= kMaxWindows) return nullptr;
  return &windows_[id];
}

// As ProcessTabNavigationPathPrunedCommand: `count` entries from `index` on are gone, and the
// later ones move down.
void SessionBuilder::Prune(Tab& tab, std::int64_t index, std::int64_t count) {
  const std::int64_t current = tab.currentIndex;
  if (current >= index && current < index + count) {
    tab.currentIndex = static_cast<std::int32_t>(index - 1);
  } else if (current >= index + count) {
    tab.currentIndex = static_cast<std::int32_t>(current - count);
  }
  auto& navigations = tab.navigations;
  navigations.erase(ClosestNavigation(navigations, index),
                    ClosestNavigation(navigations, index + count));
  for (auto& n : navigations) {
    if (n.index >= index) n.index = static_cast<std::int32_t>(n.index - count);
  }
}

bool SessionBuilder::UpdateNavigation(std::string_view payload) {
  // SerializedNavigationEntry::ReadFromPickle: these fields must be there; what follows the
  // transition type is optional and not needed.
  PickleReader pickle(payload);
  std::int32_t tabId = 0;
  Navigation navigation;
  std::string_view pageState;
  std::int32_t transition = 0;
  if (!pickle.ReadInt(tabId) || !pickle.ReadInt(navigation.index) ||
      !pickle.ReadString(navigation.address) || !pickle.ReadString16(navigation.title16) ||
      !pickle.ReadString(pageState) || !pickle.ReadInt(transition)) {
    return false;
  }
  Tab* tab = GetTab(tabId);
  if (tab == nullptr) return false;
  auto& navigations = tab->navigations;
  const auto at = ClosestNavigation(navigations, navigation.index);
  if (at != navigations.end() && at->index == navigation.index) {
    *at = navigation;
    return true;
  }
  if (navigations.size() >= kMaxNavigationsPerTab) return false;
  navigations.insert(at, navigation);
  return true;
}

bool SessionBuilder::Apply(const SnssRecord& record) {
  const std::string_view p = record.payload;
  // The raw payloads are C structs of two or three int32 (ClosedPayload: an int32, then an int64
  // at offset 8, or at 4 where int64 aligns to 4): their size must match exactly.
  const bool pair = p.size() == 8;
  switch (record.id) {
    case kSetTabWindow: {
      if (!pair) return false;
      Tab* tab = GetTab(Int32At(p, 4));
      if (tab == nullptr) return false;
      tab->window = Int32At(p, 0);
      return true;
    }
    case kSetTabIndexInWindow: {
      Tab* tab = pair ? GetTab(Int32At(p, 0)) : nullptr;
      if (tab == nullptr) return false;
      tab->visualIndex = Int32At(p, 4);
      return true;
    }
    case kSetSelectedNavigationIndex: {
      Tab* tab = pair ? GetTab(Int32At(p, 0)) : nullptr;
      if (tab == nullptr) return false;
      tab->currentIndex = Int32At(p, 4);
      return true;
    }
    case kSetPinnedState: {
      // PinnedStatePayload: int32 tab, bool, padded to 8.
      Tab* tab = pair ? GetTab(Int32At(p, 0)) : nullptr;
      if (tab == nullptr) return false;
      tab->pinned = p[4] != 0;
      return true;
    }
    case kSetSelectedTabInIndex: {
      Window* window = pair ? GetWindow(Int32At(p, 0)) : nullptr;
      if (window == nullptr) return false;
      window->selectedVisualIndex = Int32At(p, 4);
      return true;
    }
    case kSetWindowType: {
      Window* window = pair ? GetWindow(Int32At(p, 0)) : nullptr;
      if (window == nullptr) return false;
      window->typed = true;
      window->type = Int32At(p, 4);
      return true;
    }
    case kTabClosed:
    case kWindowClosed: {
      if (p.size() != 16 && p.size() != 12) return false;
      if (record.id == kTabClosed) {
        tabs_.erase(Int32At(p, 0));
      } else {
        windows_.erase(Int32At(p, 0));
      }
      return true;
    }
    case kUpdateTabNavigation:
      return UpdateNavigation(p);
    case kTabNavigationPathPrunedFromBack: {
      Tab* tab = pair ? GetTab(Int32At(p, 0)) : nullptr;
      if (tab == nullptr) return false;
      tab->navigations.erase(ClosestNavigation(tab->navigations, Int32At(p, 4)),
                             tab->navigations.end());
      return true;
    }
    case kTabNavigationPathPrunedFromFront: {
      if (!pair || Int32At(p, 4) <= 0) return false;
      Tab* tab = GetTab(Int32At(p, 0));
      if (tab == nullptr) return false;
      Prune(*tab, 0, Int32At(p, 4));
      return true;
    }
    case kTabNavigationPathPruned: {
      if (p.size() != 12 || Int32At(p, 4) < 0 || Int32At(p, 8) <= 0) return false;
      Tab* tab = GetTab(Int32At(p, 0));
      if (tab == nullptr) return false;
      Prune(*tab, Int32At(p, 4), Int32At(p, 8));
      return true;
    }
    default:
      return true;  // not one that shapes the open windows
  }
}

BrowserSession SessionBuilder::Build() {
  struct Placed {
    std::int32_t visualIndex;
    std::int32_t id;
    const Tab* tab;
  };
  std::map<std::int32_t, std::vector<Placed>> byWindow;
  for (const auto& [id, tab] : tabs_) {
    if (tab.window == 0 || tab.navigations.empty()) continue;
    byWindow[tab.window].push_back({tab.visualIndex, id, &tab});
  }

  BrowserSession session;
  for (auto& [windowId, placed] : byWindow) {
    const auto window = windows_.find(windowId);
    if (window == windows_.end() || !window->second.typed) continue;
    const std::int32_t type = window->second.type;
    if (type != kNormalWindow && type != kPopupWindow) continue;
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
      return a.visualIndex != b.visualIndex ? a.visualIndex < b.visualIndex : a.id < b.id;
    });
    SessionWindow& out = session.windows.emplace_back();
    out.popup = type == kPopupWindow;
    bool selected = false;
    for (const Placed& one : placed) {
      // The entry at the current index, or the first after it, or else the last one.
      const auto& navigations = one.tab->navigations;
      auto current = ClosestNavigation(navigations, one.tab->currentIndex);
      if (current == navigations.end()) --current;
      if (!selected && one.visualIndex == window->second.selectedVisualIndex) {
        out.selectedTab = out.tabs.size();
        selected = true;
      }
      out.tabs.push_back(
          {ValidUtf8(current->address), Utf8FromUtf16Le(current->title16), one.tab->pinned});
    }
  }
  return session;
}

}  // namespace

ChromiumSessionReading ReadChromiumSession(std::string_view bytes) {
  ChromiumSessionReading reading;
  if (bytes.size() > kChromiumSessionLimit) {
    reading.problem = BrowserFileError::kTooLarge;
    return reading;
  }
  SnssRecords records(bytes);
  if (records.problem()) {
    reading.problem = records.problem();
    return reading;
  }
  SessionBuilder builder;
  bool marker = false;
  SnssRecord record;
  while (records.Next(record)) {
    if (record.id == kSnapshotMarkerId) {
      marker = true;
    } else if (!builder.Apply(record)) {
      ++reading.skippedRecords;
    }
  }
  reading.session = builder.Build();
  constexpr int kVersionWithMarker = 3;
  if (records.problem()) {
    reading.problem = records.problem();
  } else if (records.version() == kVersionWithMarker && !marker) {
    reading.problem = BrowserFileError::kNoSnapshotMarker;
  } else if (reading.skippedRecords > 0) {
    reading.problem = BrowserFileError::kDamagedRecords;
  }
  return reading;
}

}  // namespace pagemind::browsers
