#include "browsers/firefox_session_raw.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <optional>

#include "browsers/firefox_error.h"

namespace pagemind::browsers::firefox_raw {

namespace {

using Json = nlohmann::json;

// The keys the reader acts on; every other key is kOther and its value is passed over.
enum class Key : std::uint8_t {
  kOther,
  kWindows,
  kClosedWindows,
  kSession,
  kLastSessionState,
  kLastUpdate,
  kTabs,
  kSelected,
  kIsPrivate,
  kIsPopup,
  kEntries,
  kIndex,
  kPinned,
  kUrl,
  kTitle,
  kUserTypedValue,
  kFormData,
  kId,
  kSessionData,
};

Key KeyOf(std::string_view name) {
  struct Name {
    std::string_view text;
    Key key;
  };
  static constexpr Name kNames[] = {
      {"windows", Key::kWindows},
      {"_closedWindows", Key::kClosedWindows},
      {"session", Key::kSession},
      {"lastSessionState", Key::kLastSessionState},
      {"lastUpdate", Key::kLastUpdate},
      {"tabs", Key::kTabs},
      {"selected", Key::kSelected},
      {"isPrivate", Key::kIsPrivate},
      {"isPopup", Key::kIsPopup},
      {"entries", Key::kEntries},
      {"index", Key::kIndex},
      {"pinned", Key::kPinned},
      {"url", Key::kUrl},
      {"title", Key::kTitle},
      {"userTypedValue", Key::kUserTypedValue},
      {"formdata", Key::kFormData},
      {"id", Key::kId},
      {"sessionData", Key::kSessionData},
  };
  for (const Name& n : kNames) {
    if (n.text == name) return n.key;
  }
  return Key::kOther;
}

// Where in the session the stream is: the kind of the innermost open object or array kept,
// and what it fills.
enum class Frame : std::uint8_t {
  kSession,
  kSessionInfo,
  kWindowList,
  kWindow,
  kTabList,
  kTab,
  kEntryList,
  kEntry,
  kFormData,
  kFormDataId,
};

struct Level {
  Frame frame = Frame::kSession;
  int nesting = 0;  // sessions around this level's session
  Session* session = nullptr;
  std::vector<Window>* windowList = nullptr;
  Window* window = nullptr;
  Tab* tab = nullptr;
  Entry* entry = nullptr;
};

std::optional<std::int64_t> WholeNumber(double value) {
  constexpr auto kMax = static_cast<double>(std::numeric_limits<std::int64_t>::max());
  if (!std::isfinite(value) || value != std::floor(value) || std::fabs(value) >= kMax) return {};
  return static_cast<std::int64_t>(value);
}

// The SAX handler nlohmann::json::sax_parse drives. Objects and arrays the reader does not need
// are only counted (skip_), so their content costs no memory.
class Handler {
 public:
  Handler(Session& root, int nesting, std::size_t size)
      : root_(root), rootNesting_(nesting), size_(size) {}

  bool null() { return true; }
  bool binary(Json::binary_t& /*unused*/) { return true; }
  bool boolean(bool value) {
    if (skip_ > 0 || levels_.empty()) return true;
    const Level& at = levels_.back();
    if (at.frame == Frame::kTab && key_ == Key::kPinned) at.tab->pinned = value;
    if (at.frame == Frame::kWindow && key_ == Key::kIsPrivate) at.window->isPrivate = value;
    if (at.frame == Frame::kWindow && key_ == Key::kIsPopup) at.window->isPopup = value;
    return true;
  }
  bool number_integer(Json::number_integer_t value) { return Number(value); }
  bool number_unsigned(Json::number_unsigned_t value) {
    if (value > static_cast<Json::number_unsigned_t>(std::numeric_limits<std::int64_t>::max())) {
      return true;
    }
    return Number(static_cast<std::int64_t>(value));
  }
  bool number_float(Json::number_float_t value, const Json::string_t& /*unused*/) {
    if (const auto whole = WholeNumber(value)) return Number(*whole);
    return true;
  }
  bool string(Json::string_t& value) {
    if (skip_ > 0 || levels_.empty()) return true;
    const Level& at = levels_.back();
    switch (at.frame) {
      case Frame::kEntry:
        if (key_ == Key::kUrl) {
          at.entry->url = std::move(value);
        } else if (key_ == Key::kTitle) {
          at.entry->title = std::move(value);
        }
        break;
      case Frame::kTab:
        if (key_ == Key::kUserTypedValue) at.tab->userTypedValue = std::move(value);
        break;
      case Frame::kFormDataId:
        if (key_ == Key::kSessionData) {
          at.tab->keptSessionText = std::move(value);
          at.tab->hasKeptSessionText = true;
        }
        break;
      default:
        break;
    }
    return true;
  }
  bool key(Json::string_t& name) {
    if (skip_ == 0) key_ = KeyOf(name);
    return true;
  }
  bool start_object(std::size_t /*unused*/) {
    if (skip_ > 0) return Skip();
    if (levels_.empty()) {
      Push(Frame::kSession, rootNesting_).session = &root_;
      return true;
    }
    const Level at = levels_.back();
    switch (at.frame) {
      case Frame::kSession:
        if (key_ == Key::kSession) {
          Push(Frame::kSessionInfo, at.nesting).session = at.session;
          return true;
        }
        if (key_ == Key::kLastSessionState && at.nesting + 1 < kMaxSessionNesting) {
          at.session->last = std::make_unique<Session>();
          Push(Frame::kSession, at.nesting + 1).session = at.session->last.get();
          return true;
        }
        break;
      case Frame::kWindowList:
        Push(Frame::kWindow, at.nesting).window = &at.windowList->emplace_back();
        return true;
      case Frame::kTabList:
        Push(Frame::kTab, at.nesting).tab = &at.window->tabs.emplace_back();
        return true;
      case Frame::kEntryList:
        Push(Frame::kEntry, at.nesting).entry = &at.tab->entries.emplace_back();
        return true;
      case Frame::kTab:
        if (key_ == Key::kFormData) {
          Push(Frame::kFormData, at.nesting).tab = at.tab;
          return true;
        }
        break;
      case Frame::kFormData:
        if (key_ == Key::kId) {
          Push(Frame::kFormDataId, at.nesting).tab = at.tab;
          return true;
        }
        break;
      case Frame::kFormDataId:
        if (key_ == Key::kSessionData && at.nesting + 1 < kMaxSessionNesting) {
          at.tab->keptSession = std::make_unique<Session>();
          Push(Frame::kSession, at.nesting + 1).session = at.tab->keptSession.get();
          return true;
        }
        break;
      default:
        break;
    }
    return Skip();
  }
  bool start_array(std::size_t /*unused*/) {
    if (skip_ > 0 || levels_.empty()) return Skip();
    const Level at = levels_.back();
    if (at.frame == Frame::kSession && (key_ == Key::kWindows || key_ == Key::kClosedWindows)) {
      const bool open = key_ == Key::kWindows;
      at.session->hasWindows = at.session->hasWindows || open;
      Push(Frame::kWindowList, at.nesting).windowList =
          open ? &at.session->windows : &at.session->closedWindows;
      return true;
    }
    if (at.frame == Frame::kWindow && key_ == Key::kTabs) {
      Push(Frame::kTabList, at.nesting).window = at.window;
      return true;
    }
    if (at.frame == Frame::kTab && key_ == Key::kEntries) {
      Push(Frame::kEntryList, at.nesting).tab = at.tab;
      return true;
    }
    return Skip();
  }
  bool end_object() { return End(); }
  bool end_array() { return End(); }
  bool parse_error(std::size_t position, const std::string& /*unused*/,
                   const nlohmann::detail::exception& fault) {
    offset_ = position;
    const std::string_view what = fault.what();
    // The lexer counts the end of the input as one more character read.
    if (position > size_) {
      error_ = FirefoxError::kJsonTruncated;
    } else if (what.find("UTF-8") != std::string_view::npos) {
      error_ = FirefoxError::kJsonInvalidUtf8;
    } else {
      error_ = FirefoxError::kJsonSyntax;
    }
    return false;
  }

  [[nodiscard]] std::error_code error() const { return error_; }
  [[nodiscard]] std::size_t offset() const { return offset_; }

 private:
  Level& Push(Frame frame, int nesting) {
    Level& level = levels_.emplace_back();
    level.frame = frame;
    level.nesting = nesting;
    return level;
  }
  bool Skip() {
    ++skip_;
    return true;
  }
  bool End() {
    if (skip_ > 0) {
      --skip_;
    } else if (!levels_.empty()) {
      levels_.pop_back();
    }
    return true;
  }
  bool Number(std::int64_t value) {
    if (skip_ > 0 || levels_.empty()) return true;
    const Level& at = levels_.back();
    if (at.frame == Frame::kTab && key_ == Key::kIndex) at.tab->index = value;
    if (at.frame == Frame::kWindow && key_ == Key::kSelected) at.window->selected = value;
    if (at.frame == Frame::kSessionInfo && key_ == Key::kLastUpdate) {
      at.session->lastUpdate = value;
    }
    return true;
  }

  Session& root_;
  int rootNesting_;
  std::size_t size_;
  std::vector<Level> levels_;
  std::size_t skip_ = 0;
  Key key_ = Key::kOther;
  std::error_code error_;
  std::size_t offset_ = 0;
};

}  // namespace

Parse ParseStream(std::string_view json, int nesting) {
  Parse parse;
  Handler handler(parse.session, nesting, json.size());
  const bool ok = Json::sax_parse(json.begin(), json.end(), &handler);
  if (!ok || handler.error()) {
    parse.session = Session();
    parse.error = handler.error() ? handler.error() : FirefoxError::kJsonSyntax;
    parse.errorOffset = handler.offset();
    return parse;
  }
  if (!parse.session.hasWindows) {
    parse.session = Session();
    parse.error = FirefoxError::kNotASession;
  }
  return parse;
}

}  // namespace pagemind::browsers::firefox_raw
