#include "browsers/firefox_session.h"

#include <gtest/gtest.h>

#include <string>

#include "browsers/firefox_error.h"

namespace pagemind::browsers {
namespace {

// A tab in the session file's own shape; `more` adds fields after the entries.
std::string Tab(std::initializer_list<std::pair<std::string, std::string>> entries,
                const std::string& more = "") {
  std::string json = R"({"entries":[)";
  bool first = true;
  for (const auto& [url, title] : entries) {
    if (!first) json += ",";
    first = false;
    json.append(R"({"url":")").append(url).append(R"(","title":")").append(title);
    json +=
        R"(","children":[{"url":"http://frame/","title":"frame"}],"triggeringPrincipal_base64":"x"})";
  }
  json += "]";
  if (!more.empty()) json += "," + more;
  return json + "}";
}

SessionTab Page(const std::string& address, const std::string& title, bool pinned = false) {
  return {.address = address, .title = title, .pinned = pinned};
}

FirefoxSession Parsed(const std::string& json) {
  const FirefoxSessionParse parse = ParseFirefoxSession(json);
  EXPECT_FALSE(parse.error) << parse.error.message() << " at " << parse.errorOffset;
  return parse.session;
}

TEST(FirefoxSessionJson, TakesEachTabsCurrentEntryAndTheWindowsSelection) {
  const std::string json =
      R"({"version":["sessionrestore",1],"windows":[{"tabs":[)" +
      Tab({{"http://a/1", "A1"}, {"http://a/2", "A2"}, {"http://a/3", "A3"}}, R"("index":2)") +
      "," + Tab({{"http://b/", "B"}}, R"("index":1,"pinned":true)") + "," +
      Tab({{"http://c/1", "C1"}, {"http://c/2", "C2"}}) + "," +  // no index: the last entry
      Tab({{"http://d/1", "D1"}, {"http://d/2", "D2"}}, R"("index":9)") +  // past the end
      R"(],"selected":2,"width":800},{"tabs":[)" + Tab({{"http://e/", "日本語"}}, R"("index":1)") +
      R"(],"selected":1}],"selectedWindow":1,"session":{"lastUpdate":1765180000123,"startTime":1})";
  const FirefoxSession session = Parsed(json + "}");
  ASSERT_EQ(session.open.windows.size(), 2U);
  const SessionWindow& first = session.open.windows[0];
  EXPECT_EQ(first.tabs,
            (std::vector<SessionTab>{Page("http://a/2", "A2"), Page("http://b/", "B", true),
                                     Page("http://c/2", "C2"), Page("http://d/2", "D2")}));
  EXPECT_EQ(first.selectedTab, 1U);
  EXPECT_EQ(session.open.windows[1].tabs, std::vector<SessionTab>{Page("http://e/", "日本語")});
  EXPECT_EQ(session.open.windows[1].selectedTab, 0U);
  EXPECT_EQ(session.lastUpdate, 1765180000123);
  EXPECT_FALSE(session.fromRestorePage);
  EXPECT_TRUE(session.closedWindows.windows.empty());
  EXPECT_TRUE(session.previous.windows.empty());
}

TEST(FirefoxSessionJson, PassesOverFormDataImagesAndFramesWithoutTakingFromThem) {
  const std::string image = "data:image/png;base64," + std::string(200000, 'Q');
  const std::string json =
      R"({"windows":[{"tabs":[{"entries":[{"url":"http://a/","title":"A","children":[{"url":"http://inner/","title":"inner","children":[]}]}],)"
      R"("index":1,"image":")" +
      image +
      R"(","formdata":{"id":{"q":"typed","url":"http://x/"},"url":"http://a/"},)"
      R"("scroll":{"scroll":"0,10"},"storage":{"http://a":{"k":"{\"windows\":[]}"}},)"
      R"("extData":{"title":"not this","url":"not this"},"userTypedValue":"","attributes":{}}],)"
      R"("_closedTabs":[{"state":)" +
      Tab({{"http://closed-tab/", "closed tab"}}) + R"(}],"selected":1}]})";
  const FirefoxSession session = Parsed(json);
  ASSERT_EQ(session.open.windows.size(), 1U);
  EXPECT_EQ(session.open.windows[0].tabs, std::vector<SessionTab>{Page("http://a/", "A")});
}

TEST(FirefoxSessionJson, KeepsClosedWindowsAndTheRunBeforeApart) {
  const std::string json =
      R"({"windows":[{"tabs":[)" + Tab({{"http://home/", "Home"}}) +
      R"(]}],"_closedWindows":[{"tabs":[)" + Tab({{"http://closed/", "Closed"}}) +
      R"(],"closedAt":5}],"lastSessionState":{"windows":[{"tabs":[)" +
      Tab({{"http://old/1", "Old 1"}}) + "," +
      Tab({{"http://old/2", "Old 2"}}, R"("pinned":true)") +
      R"(],"selected":2}],"session":{"lastUpdate":7}},"session":{"lastUpdate":9}})";
  const FirefoxSession session = Parsed(json);
  ASSERT_EQ(session.open.windows.size(), 1U);
  EXPECT_EQ(session.open.windows[0].tabs, std::vector<SessionTab>{Page("http://home/", "Home")});
  ASSERT_EQ(session.closedWindows.windows.size(), 1U);
  EXPECT_EQ(session.closedWindows.windows[0].tabs,
            std::vector<SessionTab>{Page("http://closed/", "Closed")});
  ASSERT_EQ(session.previous.windows.size(), 1U);
  EXPECT_EQ(session.previous.windows[0].tabs,
            (std::vector<SessionTab>{Page("http://old/1", "Old 1"),
                                     Page("http://old/2", "Old 2", true)}));
  EXPECT_EQ(session.previous.windows[0].selectedTab, 1U);
  EXPECT_EQ(session.lastUpdate, 9) << "the file's own date, not the run before's";
}

TEST(FirefoxSessionJson, LeavesOutPrivateWindowsAndMarksPopups) {
  const std::string json = R"({"windows":[{"isPrivate":true,"tabs":[)" +
                           Tab({{"http://private/", "secret"}}) + R"(]},{"isPopup":true,"tabs":[)" +
                           Tab({{"http://popup/", "Popup"}}) +
                           R"(]}],"_closedWindows":[{"tabs":[)" +
                           Tab({{"http://private-closed/", "secret"}}) + R"(],"isPrivate":true}]})";
  const FirefoxSession session = Parsed(json);
  ASSERT_EQ(session.open.windows.size(), 1U);
  EXPECT_TRUE(session.open.windows[0].popup);
  EXPECT_EQ(session.open.windows[0].tabs[0].address, "http://popup/");
  EXPECT_TRUE(session.closedWindows.windows.empty());
}

TEST(FirefoxSessionJson, TabsWithoutAnEntryAndTheSelectionAroundThem) {
  // A tab still loading has no entry yet: the address bar's text stands for it. A tab with
  // neither is left out, and the selection follows the tab it pointed at.
  const std::string json = R"({"windows":[{"tabs":[{"entries":[]},)" + Tab({{"http://a/", "A"}}) +
                           R"(,{"entries":[],"userTypedValue":"http://typed/"},)" +
                           Tab({{"http://b/", "B"}}) +
                           R"(],"selected":3},{"tabs":[{"entries":[]}]}]})";
  const FirefoxSession session = Parsed(json);
  ASSERT_EQ(session.open.windows.size(), 1U) << "a window with no page left is no window";
  EXPECT_EQ(session.open.windows[0].tabs,
            (std::vector<SessionTab>{Page("http://a/", "A"), Page("http://typed/", ""),
                                     Page("http://b/", "B")}));
  EXPECT_EQ(session.open.windows[0].selectedTab, 1U);
}

TEST(FirefoxSessionJson, OddValuesAreIgnoredRatherThanTrusted) {
  const std::string json =
      R"({"windows":[{"tabs":[{"entries":[{"url":5,"title":null},{"url":"http://a/","title":["x"]}],"index":"1","pinned":1},)"
      R"({"entries":{"url":"http://not-a-list/"}},7,"text",[)" +
      Tab({{"http://in-array/", ""}}) +
      R"(]],"selected":-4},{"tabs":"none"},[],null],"session":{"lastUpdate":1.5e3}})";
  const FirefoxSession session = Parsed(json);
  ASSERT_EQ(session.open.windows.size(), 1U);
  EXPECT_EQ(session.open.windows[0].tabs, std::vector<SessionTab>{Page("http://a/", "")});
  EXPECT_EQ(session.open.windows[0].selectedTab, 0U);
  EXPECT_EQ(session.lastUpdate, 1500);
}

TEST(FirefoxSessionJson, LoneSurrogatesBecomeReplacementCharacters) {
  const std::string json = R"({"windows":[{"tabs":[)" + Tab({{"http://a/", R"(cut \ud83d)"}}) +
                           "," + Tab({{"http://b/", R"(\udc00 low)"}}) + "," +
                           Tab({{"http://c/", R"(pair \ud83d\ude00)"}}) + "," +
                           Tab({{"http://d/", R"(not an escape \\ud800)"}}) + R"(]}]})";
  const FirefoxSession session = Parsed(json);
  ASSERT_EQ(session.open.windows.size(), 1U);
  const std::vector<SessionTab>& tabs = session.open.windows[0].tabs;
  ASSERT_EQ(tabs.size(), 4U);
  EXPECT_EQ(tabs[0].title, "cut \xEF\xBF\xBD");
  EXPECT_EQ(tabs[1].title, "\xEF\xBF\xBD low");
  EXPECT_EQ(tabs[2].title, "pair \xF0\x9F\x98\x80");
  EXPECT_EQ(tabs[3].title, "not an escape \\ud800");
}

// A crash page's tab, keeping `kept` (a session, as JSON) in its form data, as an object or,
// as older versions wrote it, as a string.
std::string CrashPage(const std::string& kept, bool asString = false,
                      const std::string& page = "about:sessionrestore") {
  std::string data = kept;
  if (asString) {
    data.clear();
    for (const char c : kept) {
      if (c == '"' || c == '\\') data += '\\';
      data += c;
    }
    data = "\"" + data + "\"";
  }
  return R"({"entries":[{"url":")" + page +
         R"(","title":"Restore Session"}],"formdata":{"id":{"sessionData":)" + data +
         R"(},"url":")" + page + R"("},"index":1})";
}

TEST(FirefoxSessionJson, ACrashPageStandsForTheSessionItKeeps) {
  const std::string kept = R"({"windows":[{"tabs":[)" + Tab({{"http://a/", "A"}}) + "," +
                           Tab({{"http://b/", "B"}}, R"("pinned":true)") +
                           R"(],"selected":2},{"tabs":[)" + Tab({{"http://c/", "C"}}) +
                           R"(]}],"session":{"lastUpdate":3}})";
  const std::vector<SessionWindow> expected = {
      {.tabs = {Page("http://a/", "A"), Page("http://b/", "B", true)}, .selectedTab = 1},
      {.tabs = {Page("http://c/", "C")}}};
  for (const bool asString : {false, true}) {
    for (const char* page : {"about:sessionrestore", "about:welcomeback"}) {
      const FirefoxSession session =
          Parsed(R"({"windows":[{"tabs":[)" + CrashPage(kept, asString, page) + R"(]}]})");
      EXPECT_EQ(session.open.windows, expected) << page << (asString ? " as a string" : "");
      EXPECT_TRUE(session.fromRestorePage);
    }
  }
  // A crash page kept inside another crash page's session, and one among the tabs the user
  // opened since: each stands for its windows, after the window it was in.
  const std::string nested = R"({"windows":[{"tabs":[)" + CrashPage(kept) + "]}]}";
  FirefoxSession session = Parsed(R"({"windows":[{"tabs":[)" + Tab({{"http://new/", "New"}}) + "," +
                                  CrashPage(nested) + R"(]}]})");
  ASSERT_EQ(session.open.windows.size(), 3U);
  EXPECT_EQ(session.open.windows[0].tabs, std::vector<SessionTab>{Page("http://new/", "New")});
  EXPECT_EQ(session.open.windows[1], expected[0]);
  // The page without a kept session is only a tab; in the run before, it is undone as well.
  session = Parsed(R"({"windows":[{"tabs":[)" + Tab({{"about:sessionrestore", "Restore Session"}}) +
                   R"(]}],"lastSessionState":{"windows":[{"tabs":[)" + CrashPage(kept) + "]}]}}");
  EXPECT_EQ(session.open.windows[0].tabs,
            std::vector<SessionTab>{Page("about:sessionrestore", "Restore Session")});
  EXPECT_FALSE(session.fromRestorePage) << "only the open windows say so";
  EXPECT_EQ(session.previous.windows, expected);
}

TEST(FirefoxSessionJson, ADamagedOrEndlessKeptSessionIsBounded) {
  const FirefoxSessionParse damaged = ParseFirefoxSession(
      R"({"windows":[{"tabs":[)" + CrashPage(R"({"windows":[{"tabs":[)", true) + "]}]}");
  EXPECT_EQ(damaged.error, FirefoxError::kRestorePageDamaged);
  EXPECT_TRUE(damaged.session.open.windows.empty());
  // Crash pages kept in crash pages, ten deep: read to a fixed depth, where the crash page
  // stays a tab and what it keeps is passed over.
  std::string session = R"({"windows":[{"tabs":[)" + Tab({{"http://deepest/", "D"}}) + "]}]}";
  for (int i = 0; i < 10; ++i) {
    session = R"({"windows":[{"tabs":[)" + CrashPage(session, i % 2 == 1) + "]}]}";
  }
  const FirefoxSessionParse deep = ParseFirefoxSession(session);
  EXPECT_FALSE(deep.error);
  ASSERT_EQ(deep.session.open.windows.size(), 1U);
  EXPECT_EQ(deep.session.open.windows[0].tabs,
            std::vector<SessionTab>{Page("about:sessionrestore", "Restore Session")});
  EXPECT_TRUE(deep.session.fromRestorePage);
}

TEST(FirefoxSessionJson, NamesWhatIsWrongAndKeepsNothing) {
  const std::string good = R"({"windows":[{"tabs":[)" + Tab({{"http://a/", "A"}}) + R"(]}]})";
  ASSERT_FALSE(ParseFirefoxSession(good).error);
  // Broken off at every point: never a partial session.
  for (std::size_t keep = 0; keep < good.size(); ++keep) {
    const FirefoxSessionParse parse = ParseFirefoxSession(good.substr(0, keep));
    EXPECT_EQ(parse.error, FirefoxError::kJsonTruncated) << good.substr(0, keep);
    EXPECT_TRUE(parse.session.open.windows.empty());
  }
  std::string badUtf8 = good;
  badUtf8.replace(badUtf8.find("\"A\""), 3, "\"\xC3\x28\"");
  FirefoxSessionParse parse = ParseFirefoxSession(badUtf8);
  EXPECT_EQ(parse.error, FirefoxError::kJsonInvalidUtf8);
  EXPECT_GE(parse.errorOffset, badUtf8.find('\xC3') + 1) << "where the bad sequence is";
  EXPECT_LE(parse.errorOffset, badUtf8.find('\xC3') + 2);
  EXPECT_TRUE(parse.session.open.windows.empty());

  EXPECT_EQ(ParseFirefoxSession(good + ",").error, FirefoxError::kJsonSyntax);
  EXPECT_EQ(ParseFirefoxSession("{\"windows\":[]]}").error, FirefoxError::kJsonSyntax);
  EXPECT_EQ(ParseFirefoxSession(std::string("{\"windows\":[\0]}", 15)).error,
            FirefoxError::kJsonSyntax);
  for (const char* notSession :
       {"[]", "{}", "3", R"({"windows":{}})", R"({"session":{"windows":[]}})"}) {
    EXPECT_EQ(ParseFirefoxSession(notSession).error, FirefoxError::kNotASession) << notSession;
  }
  EXPECT_FALSE(ParseFirefoxSession(R"({"windows":[]})").error) << "no window open is a session";
}

}  // namespace
}  // namespace pagemind::browsers
