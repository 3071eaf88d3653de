#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// The fields of a Firefox session file that the reader keeps, as the stream delivers them,
// before they are turned into a FirefoxSession. Internal to firefox_session*.cpp.
namespace pagemind::browsers::firefox_raw {

struct Entry {
  std::string url;
  std::string title;
};

struct Session;

struct Tab {
  std::vector<Entry> entries;
  std::int64_t index = 0;  // 1-based current entry; 0 when absent
  bool pinned = false;
  std::string userTypedValue;  // what the address bar holds for a tab that has no entry yet
  // A crash page's kept session, formdata.id.sessionData: an object (parsed in the stream) or,
  // from older versions, the same JSON as a string.
  std::unique_ptr<Session> keptSession;
  std::string keptSessionText;
  bool hasKeptSessionText = false;
};

struct Window {
  std::vector<Tab> tabs;
  std::int64_t selected = 0;  // 1-based selected tab; 0 when absent
  bool isPrivate = false;
  bool isPopup = false;
};

struct Session {
  std::vector<Window> windows;
  std::vector<Window> closedWindows;
  std::unique_ptr<Session> last;  // lastSessionState
  std::int64_t lastUpdate = 0;
  bool hasWindows = false;
};

struct Parse {
  Session session;
  std::error_code error;
  std::size_t errorOffset = 0;
};

// How deep sessions may nest (a crash page's kept session, the run before): beyond it the
// nested ones are passed over, so that a hostile file cannot nest the reader into the ground.
inline constexpr int kMaxSessionNesting = 4;

// Streams the JSON through nlohmann's SAX parser. `nesting` counts the sessions around this
// one. May throw std::bad_alloc.
Parse ParseStream(std::string_view json, int nesting);

}  // namespace pagemind::browsers::firefox_raw
