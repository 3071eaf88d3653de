#include "browsers/firefox_session.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>

#include "browsers/firefox_error.h"
#include "browsers/firefox_session_raw.h"

namespace pagemind::browsers {

namespace {

namespace raw = firefox_raw;

// The value of a \uXXXX escape at `at` (the backslash), or nothing.
std::optional<unsigned> EscapedUnit(std::string_view json, std::size_t at) {
  if (at + 6 > json.size() || json[at] != '\\' || json[at + 1] != 'u') return {};
  unsigned value = 0;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    const char c = json[i];
    unsigned digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return {};
    }
    value = value * 16 + digit;
  }
  return value;
}

bool IsHighSurrogate(unsigned unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(unsigned unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Firefox writes JavaScript strings, which may hold half of a surrogate pair (a title cut in
// the middle of an emoji), as a lone \uD8xx escape; the JSON parser refuses those, and one such
// title would lose the whole session. They become U+FFFD, escaped in the same six bytes.
// Returns the repaired copy, or nothing when the JSON holds none.
std::optional<std::string> WithoutLoneSurrogates(std::string_view json) {
  std::optional<std::string> repaired;
  std::size_t at = json.find('\\');
  while (at != std::string_view::npos && at + 1 < json.size()) {
    std::size_t next = at + 2;  // past a one-character escape, or past "\\"
    if (const auto unit = EscapedUnit(json, at)) {
      next = at + 6;
      bool lone = IsLowSurrogate(*unit);
      if (IsHighSurrogate(*unit)) {
        const auto following = EscapedUnit(json, next);
        lone = !following || !IsLowSurrogate(*following);
        if (!lone) next += 6;
      }
      if (lone) {
        if (!repaired) repaired.emplace(json);
        repaired->replace(at, 6, "\\ufffd");
      }
    }
    at = json.find('\\', next);
  }
  return repaired;
}

bool IsRestorePage(std::string_view url) {
  return url == "about:sessionrestore" || url == "about:welcomeback";
}

struct Assembly {
  std::error_code error;
  bool fromRestorePage = false;
};

void AddWindows(const std::vector<raw::Window>& windows, int nesting, BrowserSession& out,
                Assembly& state);

// The windows a crash page keeps; an error when its text form cannot be read.
void AddKeptSession(const raw::Tab& tab, int nesting, BrowserSession& out, Assembly& state) {
  state.fromRestorePage = true;
  if (tab.keptSession) {
    AddWindows(tab.keptSession->windows, nesting + 1, out, state);
    return;
  }
  if (nesting + 1 >= raw::kMaxSessionNesting) return;
  const raw::Parse kept = raw::ParseStream(tab.keptSessionText, nesting + 1);
  if (kept.error) {
    state.error = FirefoxError::kRestorePageDamaged;
    return;
  }
  AddWindows(kept.session.windows, nesting + 1, out, state);
}

// The entry a tab shows: entries[index - 1], the last one when the index is missing or past
// the end.
const raw::Entry* CurrentEntry(const raw::Tab& tab) {
  if (tab.entries.empty()) return nullptr;
  const auto count = static_cast<std::int64_t>(tab.entries.size());
  const std::int64_t index = tab.index >= 1 ? std::min(tab.index, count) : count;
  return &tab.entries[static_cast<std::size_t>(index - 1)];
}

void AddWindows(const std::vector<raw::Window>& windows, int nesting, BrowserSession& out,
                Assembly& state) {
  for (const raw::Window& window : windows) {
    if (window.isPrivate) continue;
    SessionWindow kept;
    kept.popup = window.isPopup;
    BrowserSession fromCrashPage;
    std::size_t keptBeforeSelected = 0;
    for (std::size_t i = 0; i < window.tabs.size(); ++i) {
      const raw::Tab& tab = window.tabs[i];
      const raw::Entry* entry = CurrentEntry(tab);
      const bool hasKeptSession = tab.keptSession || tab.hasKeptSessionText;
      if (entry && IsRestorePage(entry->url) && hasKeptSession) {
        AddKeptSession(tab, nesting, fromCrashPage, state);
        continue;
      }
      SessionTab page;
      if (entry) {
        page.address = entry->url;
        page.title = entry->title;
      } else {
        page.address = tab.userTypedValue;
      }
      if (page.address.empty()) continue;
      page.pinned = tab.pinned;
      if (window.selected >= 1 && i < static_cast<std::size_t>(window.selected - 1)) {
        ++keptBeforeSelected;
      }
      kept.tabs.push_back(std::move(page));
    }
    if (!kept.tabs.empty()) {
      kept.selectedTab = std::min(keptBeforeSelected, kept.tabs.size() - 1);
      out.windows.push_back(std::move(kept));
    }
    for (SessionWindow& w : fromCrashPage.windows) out.windows.push_back(std::move(w));
  }
}

FirefoxSessionParse Assemble(const raw::Session& session) {
  FirefoxSessionParse result;
  Assembly open;
  Assembly others;
  AddWindows(session.windows, 0, result.session.open, open);
  AddWindows(session.closedWindows, 0, result.session.closedWindows, others);
  if (session.last) AddWindows(session.last->windows, 1, result.session.previous, others);
  if (open.error || others.error) {
    result.session = FirefoxSession();
    result.error = open.error ? open.error : others.error;
    return result;
  }
  result.session.fromRestorePage = open.fromRestorePage;
  result.session.lastUpdate = session.lastUpdate;
  if (session.last) result.session.previousLastUpdate = session.last->lastUpdate;
  return result;
}

}  // namespace

FirefoxSessionParse ParseFirefoxSession(std::string_view json) noexcept {
  try {
    const std::optional<std::string> repaired = WithoutLoneSurrogates(json);
    const raw::Parse parse = raw::ParseStream(repaired ? *repaired : json, 0);
    if (parse.error) {
      FirefoxSessionParse failed;
      failed.error = parse.error;
      failed.errorOffset = parse.errorOffset;
      return failed;
    }
    return Assemble(parse.session);
  } catch (...) {
    // std::bad_alloc is all the parser and the containers throw here.
    FirefoxSessionParse failed;
    failed.error = FirefoxError::kOutOfMemory;
    return failed;
  }
}

}  // namespace pagemind::browsers
