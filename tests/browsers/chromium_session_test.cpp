#include "browsers/chromium_session.h"

#include <gtest/gtest.h>

#include <cstring>

#include "browsers/browser_errors.h"
#include "browsers/snss_records.h"
#include "browsers/snss_writer.h"

namespace pagemind::browsers {
namespace {

using testing::Pickle;
using testing::SnssWriter;

constexpr std::int32_t kNormal = 0;
constexpr std::int32_t kPopup = 1;

std::vector<std::string> Addresses(const SessionWindow& window) {
  std::vector<std::string> out;
  for (const auto& tab : window.tabs) out.push_back(tab.address);
  return out;
}

TEST(ChromiumSession, RebuildsWindowsInIdOrderWithTabsInTheirPlaces) {
  SnssWriter file;
  // Window 9 is written first but was opened after window 4; its tabs come in any order and
  // take their places from SetTabIndexInWindow.
  file.WindowType(9, kNormal)
      .SimpleTab(9, 30, 2, "http://127.0.0.1/c")
      .SimpleTab(9, 31, 0, "http://127.0.0.1/a", u"A")
      .SimpleTab(9, 32, 1, "http://127.0.0.1/b")
      .SelectedTab(9, 1)
      .WindowType(4, kNormal)
      .SimpleTab(4, 20, 0, "http://127.0.0.1/first", u"First")
      .Pinned(20, true)
      .Marker();
  const auto reading = ReadChromiumSession(file.bytes());
  EXPECT_FALSE(reading.problem) << reading.problem.message();
  ASSERT_EQ(reading.session.windows.size(), 2U);
  const auto& first = reading.session.windows[0];
  ASSERT_EQ(first.tabs.size(), 1U);
  EXPECT_EQ(first.tabs[0], (SessionTab{"http://127.0.0.1/first", "First", true}));
  const auto& second = reading.session.windows[1];
  EXPECT_EQ(Addresses(second), (std::vector<std::string>{"http://127.0.0.1/a", "http://127.0.0.1/b",
                                                         "http://127.0.0.1/c"}));
  EXPECT_EQ(second.tabs[0].title, "A");
  EXPECT_FALSE(second.tabs[0].pinned);
  EXPECT_EQ(second.selectedTab, 1U);
  EXPECT_FALSE(second.popup);
}

TEST(ChromiumSession, OnlyNormalAndPopupWindowsThatAreStillOpenCount) {
  SnssWriter file;
  file.WindowType(1, kNormal)
      .SimpleTab(1, 10, 0, "http://127.0.0.1/kept")
      .SimpleTab(1, 11, 1, "http://127.0.0.1/closed-tab")
      .TabClosed(11)
      .WindowType(2, kPopup)
      .SimpleTab(2, 12, 0, "http://127.0.0.1/popup")
      .WindowType(3, kNormal)
      .SimpleTab(3, 13, 0, "http://127.0.0.1/closed-window")
      .WindowClosed(3)
      .SimpleTab(5, 14, 0, "http://127.0.0.1/window-never-typed")
      .WindowType(6, 2)  // an app window
      .SimpleTab(6, 15, 0, "http://127.0.0.1/app")
      .WindowType(7, 3)  // developer tools
      .SimpleTab(7, 16, 0, "devtools://devtools/bundled/inspector.html")
      .WindowType(8, kNormal)
      .SelectedTab(8, 0)  // a window with no tabs left
      .TabWindow(0, 17)   // a tab in no window
      .Navigation(17, 0, "http://127.0.0.1/nowhere", u"")
      .Marker();
  const auto reading = ReadChromiumSession(file.bytes());
  EXPECT_FALSE(reading.problem);
  ASSERT_EQ(reading.session.windows.size(), 2U);
  EXPECT_EQ(Addresses(reading.session.windows[0]),
            std::vector<std::string>{"http://127.0.0.1/kept"});
  EXPECT_FALSE(reading.session.windows[0].popup);
  EXPECT_EQ(Addresses(reading.session.windows[1]),
            std::vector<std::string>{"http://127.0.0.1/popup"});
  EXPECT_TRUE(reading.session.windows[1].popup);
}

TEST(ChromiumSession, EachTabShowsItsCurrentNavigation) {
  SnssWriter file;
  file.WindowType(1, kNormal).TabWindow(1, 10).TabIndex(10, 0);
  file.Navigation(10, 0, "http://127.0.0.1/0", u"").Navigation(10, 1, "http://127.0.0.1/1", u"");
  file.Navigation(10, 2, "http://127.0.0.1/2", u"").SelectedNavigation(10, 1);
  // The title arrives after the address: the same index written again.
  file.Navigation(10, 1, "http://127.0.0.1/1", u"One");
  // A current index beyond every entry falls to the last; one between entries to the next.
  file.TabWindow(1, 11).TabIndex(11, 1).Navigation(11, 0, "http://127.0.0.1/only", u"");
  file.SelectedNavigation(11, 5);
  file.TabWindow(1, 12).TabIndex(12, 2).Navigation(12, 0, "http://127.0.0.1/x", u"");
  file.Navigation(12, 4, "http://127.0.0.1/y", u"").SelectedNavigation(12, 2);
  const auto reading = ReadChromiumSession(file.Marker().bytes());
  ASSERT_EQ(reading.session.windows.size(), 1U);
  const auto& tabs = reading.session.windows[0].tabs;
  ASSERT_EQ(tabs.size(), 3U);
  EXPECT_EQ(tabs[0], (SessionTab{"http://127.0.0.1/1", "One", false}));
  EXPECT_EQ(tabs[1].address, "http://127.0.0.1/only");
  EXPECT_EQ(tabs[2].address, "http://127.0.0.1/y");
}

TEST(ChromiumSession, PrunedHistoryMovesTheCurrentEntry) {
  const auto tabAfter = [](auto&& prune) {
    SnssWriter file;
    file.WindowType(1, kNormal).TabWindow(1, 10).TabIndex(10, 0);
    for (int i = 0; i < 5; ++i) {
      file.Navigation(10, i, "http://127.0.0.1/" + std::to_string(i), u"");
    }
    prune(file);
    const auto reading = ReadChromiumSession(file.Marker().bytes());
    EXPECT_FALSE(reading.problem);
    return reading.session.windows.at(0).tabs.at(0).address;
  };
  // Entries 1 and 2 go: the current entry 4 is now index 2, still the same page.
  EXPECT_EQ(tabAfter([](SnssWriter& f) { f.SelectedNavigation(10, 4).Pruned(10, 1, 2); }),
            "http://127.0.0.1/4");
  // The current entry itself goes: the one before the pruned range is current.
  EXPECT_EQ(tabAfter([](SnssWriter& f) { f.SelectedNavigation(10, 2).Pruned(10, 1, 2); }),
            "http://127.0.0.1/0");
  // Before the pruned range nothing moves.
  EXPECT_EQ(tabAfter([](SnssWriter& f) { f.SelectedNavigation(10, 1).Pruned(10, 3, 2); }),
            "http://127.0.0.1/1");
  // The older commands: from the back (entries from 2 on go), and from the front.
  EXPECT_EQ(tabAfter([](SnssWriter& f) { f.SelectedNavigation(10, 4).Ints(5, 10, 2); }),
            "http://127.0.0.1/1");
  EXPECT_EQ(tabAfter([](SnssWriter& f) { f.SelectedNavigation(10, 3).Ints(11, 10, 2); }),
            "http://127.0.0.1/3");
}

TEST(ChromiumSession, SelectionTiesAndMissingSelectionsFollowTheBrowser) {
  SnssWriter file;
  // Two tabs claim place 0: the lower id comes first and is the one selected.
  file.WindowType(1, kNormal)
      .SimpleTab(1, 21, 0, "http://127.0.0.1/later-id")
      .SimpleTab(1, 20, 0, "http://127.0.0.1/lower-id")
      .SelectedTab(1, 0)
      .WindowType(2, kNormal)
      .SimpleTab(2, 30, 0, "http://127.0.0.1/a")
      .SimpleTab(2, 31, 1, "http://127.0.0.1/b")
      .SelectedTab(2, 7);  // names no tab that is there
  const auto reading = ReadChromiumSession(file.Marker().bytes());
  ASSERT_EQ(reading.session.windows.size(), 2U);
  EXPECT_EQ(Addresses(reading.session.windows[0]),
            (std::vector<std::string>{"http://127.0.0.1/lower-id", "http://127.0.0.1/later-id"}));
  EXPECT_EQ(reading.session.windows[0].selectedTab, 0U);
  EXPECT_EQ(reading.session.windows[1].selectedTab, 0U);
}

TEST(ChromiumSession, TitlesAndAddressesComeOutAsValidUtf8) {
  SnssWriter file;
  file.WindowType(1, kNormal)
      .SimpleTab(1, 10, 0, "http://127.0.0.1/ja", u"日本語のページ \U0001F600")
      .SimpleTab(1, 11, 1, "http://127.0.0.1/bad", std::u16string(u"a\xD800z\xDC00"))
      .SimpleTab(1, 12, 2, "http://127.0.0.1/\xff\xc3(", u"")
      .SimpleTab(1, 13, 3, "http://127.0.0.1/a,b?q=1,2", u"Comma");
  const auto reading = ReadChromiumSession(file.Marker().bytes());
  ASSERT_EQ(reading.session.windows.size(), 1U);
  const auto& tabs = reading.session.windows[0].tabs;
  ASSERT_EQ(tabs.size(), 4U);
  EXPECT_EQ(tabs[0].title, "日本語のページ \xF0\x9F\x98\x80");
  EXPECT_EQ(tabs[1].title, "a\xEF\xBF\xBDz\xEF\xBF\xBD") << "unpaired surrogates";
  EXPECT_EQ(tabs[2].address, "http://127.0.0.1/\xEF\xBF\xBD\xEF\xBF\xBD(");
  EXPECT_EQ(tabs[3].address, "http://127.0.0.1/a,b?q=1,2");
}

TEST(ChromiumSession, AFileThatIsNoPlainSessionFileReadsNothingAndSaysWhy) {
  const std::string session = SnssWriter().WindowType(1, kNormal).SimpleTab(1, 2, 0, "x").bytes();
  const auto problem = [](std::string_view bytes) { return ReadChromiumSession(bytes).problem; };
  EXPECT_EQ(problem(""), BrowserFileError::kNotASessionFile);
  EXPECT_EQ(problem("SNSS"), BrowserFileError::kNotASessionFile);
  EXPECT_EQ(problem("PK\x03\x04" + session.substr(4)), BrowserFileError::kNotASessionFile);
  const auto unknown = ReadChromiumSession(SnssWriter(7).bytes() + session.substr(8));
  EXPECT_EQ(unknown.problem, BrowserFileError::kUnknownVersion);
  EXPECT_NE(unknown.problem.message().find("unknown version"), std::string::npos);
  EXPECT_TRUE(unknown.session.windows.empty());
  for (const int encrypted : {2, 4, 5}) {
    // Encrypted records ("v10" and the cipher text) are recognised by the version alone.
    const auto reading =
        ReadChromiumSession(SnssWriter(encrypted).Record('v', "10\x8a\x17garbage").bytes());
    EXPECT_EQ(reading.problem, BrowserFileError::kEncrypted) << encrypted;
    EXPECT_TRUE(reading.session.windows.empty());
  }
  EXPECT_FALSE(KeptWhatWasRead(make_error_code(BrowserFileError::kEncrypted)));

  std::string huge(kChromiumSessionLimit + 1, '\0');
  huge.replace(0, session.size(), session);
  EXPECT_EQ(problem(huge), BrowserFileError::kTooLarge);
}

TEST(ChromiumSession, ATornLastRecordCostsOnlyThatRecord) {
  SnssWriter file;
  file.WindowType(1, kNormal).SimpleTab(1, 10, 0, "http://127.0.0.1/kept").Marker();
  const std::string whole = SnssWriter(file).SimpleTab(1, 11, 1, "http://127.0.0.1/torn").bytes();
  // Cut inside the last navigation record's payload, then inside a size field.
  for (const std::size_t cut : {whole.size() - 5, file.bytes().size() + 1}) {
    const auto reading = ReadChromiumSession(std::string_view(whole).substr(0, cut));
    EXPECT_EQ(reading.problem, BrowserFileError::kTornTail) << cut;
    EXPECT_TRUE(KeptWhatWasRead(reading.problem));
    ASSERT_EQ(reading.session.windows.size(), 1U);
    EXPECT_EQ(reading.session.windows[0].tabs.at(0).address, "http://127.0.0.1/kept");
  }
  // A size of zero is never written: what follows is not read.
  const auto zero = ReadChromiumSession(file.bytes() + std::string("\0\0\x06xyz", 6));
  EXPECT_EQ(zero.problem, BrowserFileError::kTornTail);
  EXPECT_EQ(zero.session.windows.size(), 1U);
}

TEST(ChromiumSession, GarbageRecordsAreSkippedOneByOne) {
  SnssWriter file;
  file.WindowType(1, kNormal).TabWindow(1, 10).TabIndex(10, 0);
  // A pickle whose header claims more than there is; a string longer than the pickle; a
  // negative string length; a string16 count that would overflow when doubled; a field cut.
  file.Record(6,
              Pickle().Int(10).Int(0).String("http://127.0.0.1/x").Bytes().replace(0, 1, "\x7f"));
  file.Record(6, Pickle().Int(10).Int(0).Int(1000).Bytes());
  file.Record(6, Pickle().Int(10).Int(0).Int(-4).Bytes());
  file.Record(6, Pickle().Int(10).Int(0).String("u").Int(0x7fffffff).Bytes());
  file.Record(6, Pickle().Int(10).Int(0).String("http://127.0.0.1/x").String16(u"t").Bytes());
  // Raw payloads of the wrong size, and a prune of no entries.
  file.Record(0, std::string(7, '\1')).Record(9, std::string(12, '\0')).Record(12, "");
  file.Pruned(10, 0, 0);
  // Unknown commands (another browser's own) are no damage.
  file.Record(200, "vendor data").Record(33, Pickle().Int(10).Bytes());
  // The records after the garbage still count.
  file.Navigation(10, 0, "http://127.0.0.1/good", u"Good").SelectedNavigation(10, 0).Marker();
  const auto reading = ReadChromiumSession(file.bytes());
  EXPECT_EQ(reading.problem, BrowserFileError::kDamagedRecords);
  EXPECT_EQ(reading.skippedRecords, 9U);
  ASSERT_EQ(reading.session.windows.size(), 1U);
  EXPECT_EQ(reading.session.windows[0].tabs.at(0), (SessionTab{"http://127.0.0.1/good", "Good"}));
}

TEST(ChromiumSession, TheSnapshotMarkerIsExpectedOnlyWhereTheVersionHasOne) {
  const auto windowsOf = [](const SnssWriter& file) { return ReadChromiumSession(file.bytes()); };
  SnssWriter withMarker(3);
  withMarker.WindowType(1, kNormal).SimpleTab(1, 10, 0, "http://127.0.0.1/a");
  const auto unfinished = windowsOf(withMarker);
  EXPECT_EQ(unfinished.problem, BrowserFileError::kNoSnapshotMarker);
  EXPECT_EQ(unfinished.session.windows.size(), 1U) << "what was read is kept";

  SnssWriter old(1);
  old.WindowType(1, kNormal).SimpleTab(1, 10, 0, "http://127.0.0.1/a");
  const auto reading = windowsOf(old);
  EXPECT_FALSE(reading.problem);
  EXPECT_EQ(reading.session.windows.size(), 1U);
}

TEST(SnssRecords, PicklesAreReadAsBasePickleReadsThem) {
  // The last field's padding may be missing; a header longer than four bytes is allowed when it
  // is a whole number of units.
  std::string bytes = Pickle().Int(5).String("abcde").Bytes();
  bytes.resize(bytes.size() - 3);
  std::memcpy(bytes.data(), "\x0d\0\0\0", 4);
  PickleReader reader(bytes);
  std::int32_t value = 0;
  std::string_view text;
  ASSERT_TRUE(reader.ReadInt(value));
  EXPECT_EQ(value, 5);
  ASSERT_TRUE(reader.ReadString(text));
  EXPECT_EQ(text, "abcde");
  EXPECT_FALSE(reader.ReadInt(value));

  const std::string longHeaderBytes("\x04\0\0\0\0\0\0\0\x2a\0\0\0", 12);
  PickleReader longHeader(longHeaderBytes);
  ASSERT_TRUE(longHeader.ReadInt(value));
  EXPECT_EQ(value, 42);
  const std::string oddHeaderBytes("\x06\0\0\0\0\0\0\0\0\0\0", 11);
  PickleReader oddHeader(oddHeaderBytes);
  EXPECT_FALSE(oddHeader.ReadInt(value));
  // After one failed read every read fails, even one that would fit.
  const std::string failedBytes = Pickle().String("ab").Int(1).Bytes();
  PickleReader failed(failedBytes);
  std::int64_t wide = 0;
  EXPECT_FALSE(failed.ReadInt64(wide) && failed.ReadInt64(wide));
  EXPECT_FALSE(failed.ReadInt(value));
}

}  // namespace
}  // namespace pagemind::browsers
