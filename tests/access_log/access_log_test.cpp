// The access log as the poller and the browsers' watches fill it, and as its window sees it.
#include "access_log/access_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagemind::access_log {
namespace {

// The list box's lines, kept from the changes the log reports, top first.
class ListedLines final : public AccessLogView {
 public:
  void LineInsertedAtTop(std::string_view line) override { lines.emplace(lines.begin(), line); }
  void LastLineRemoved() override { lines.pop_back(); }
  void Cleared() override { lines.clear(); }
  void CounterChanged(std::string_view) override {}

  std::vector<std::string> lines;
};

std::vector<std::string> Lines(const AccessLog& log) {
  return {log.lines().begin(), log.lines().end()};
}

TEST(AccessLogTest, NotesOnTheBrowsersFilesOutliveTheCyclesClearing) {
  AccessLog log;
  ListedLines window;
  log.SetView(&window);
  log.RecordVisit("http://a/", std::string("A"));
  log.RecordBrowserNote("first note");
  log.RecordVisit("http://b/", std::string("B"));
  log.RecordBrowserNote("second note");

  log.Clear();
  const std::vector<std::string> kept{"second note", "first note"};
  EXPECT_EQ(Lines(log), kept) << "the visits go, the notes stay, newest on top";
  EXPECT_EQ(window.lines, kept) << "and the window shows them again";

  // The next cycle's visits go above them, and the next clear leaves the notes alone again.
  log.RecordVisit("http://c/", std::string("C"));
  EXPECT_EQ(Lines(log),
            (std::vector<std::string>{"Name:C", " URL:http://c/", "second note", "first note"}));
  log.Clear();
  EXPECT_EQ(Lines(log), kept);
  EXPECT_EQ(window.lines, kept);
}

TEST(AccessLogTest, OnlyTheLastNotesAreKept) {
  AccessLog log;
  for (std::size_t i = 0; i < kNotesKept + 5; ++i) log.RecordBrowserNote(std::to_string(i));
  log.Clear();
  ASSERT_EQ(log.lines().size(), kNotesKept);
  EXPECT_EQ(log.lines().front(), std::to_string(kNotesKept + 4));
  EXPECT_EQ(log.lines().back(), "5");
}

}  // namespace
}  // namespace pagemind::access_log
