#include <gtest/gtest.h>

#include "common/paths.h"
#include "forms/unopened_pages_message.h"
#include "pages/reopen.h"
#include "platform/headless/files.h"
#include "platform/headless/scripted_shell.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

using platform::headless::ScriptedShell;

class ReopenTest : public ::testing::Test {
 protected:
  std::vector<std::string> Reopen() { return reopener.ReopenAll(slots); }
  std::vector<std::string> Navigated() const {
    std::vector<std::string> addresses;
    for (const auto& call : shell.calls) {
      if (call.starts_with("Navigate2 ")) addresses.push_back(call.substr(10));
    }
    return addresses;
  }

  ScriptedShell shell;
  platform::headless::PosixFileSystem files;
  PageSlots slots;
  Reopener reopener{shell, files};
};

TEST_F(ReopenTest, AllSlotsEmptyCreatesNoBrowser) {
  EXPECT_TRUE(Reopen().empty());
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(ReopenTest, EachPageGetsANewShownBrowserInSlotOrder) {
  slots[5] = "http://127.0.0.1/five";
  slots[2] = "http://127.0.0.1/two, with a comma";
  const PageSlots before = slots;
  EXPECT_TRUE(Reopen().empty());
  EXPECT_EQ(shell.calls,
            (std::vector<std::string>{
                "CreateBrowser", "Navigate2 http://127.0.0.1/two, with a comma", "Visible",
                "CreateBrowser", "Navigate2 http://127.0.0.1/five", "Visible"}));
  ASSERT_EQ(shell.windows.size(), 2U) << "both windows joined the shell's collection";
  EXPECT_EQ(shell.windows[0]->url, "http://127.0.0.1/two, with a comma");
  EXPECT_EQ(slots, before);
}

TEST_F(ReopenTest, RunningTwiceOpensEveryPageTwice) {
  slots[0] = "http://127.0.0.1/a";
  Reopen();
  Reopen();
  EXPECT_EQ(shell.created.size(), 2U);
  EXPECT_EQ(Navigated(), (std::vector<std::string>{"http://127.0.0.1/a", "http://127.0.0.1/a"}));
}

TEST_F(ReopenTest, WithoutABrowserWebPagesGoToTheShellAndOthersAreListed) {
  shell.failing.insert("CreateBrowser");
  slots[0] = "http://127.0.0.1/a";
  slots[1] = "HTTPS://127.0.0.1/b";
  slots[2] = "ftp://127.0.0.1/c";
  slots[3] = "file:///C:/pages/d.html";
  slots[4] = "C:\\Windows\\System32\\calc.exe";
  slots[5] = "ms-settings:privacy";
  slots[6] = "javascript:alert(1)";
  const auto unopened = Reopen();
  EXPECT_EQ(shell.shellOpened,
            (std::vector<std::string>{"http://127.0.0.1/a", "HTTPS://127.0.0.1/b"}));
  EXPECT_EQ(unopened, (std::vector<std::string>{"ftp://127.0.0.1/c", "file:///C:/pages/d.html",
                                                "C:\\Windows\\System32\\calc.exe",
                                                "ms-settings:privacy", "javascript:alert(1)"}))
      << "a file: address only where it names a local document or folder that exists";
  const auto message = UnopenedPagesMessage(unopened);
  EXPECT_TRUE(message.starts_with("次のページを開けませんでした。"));
  EXPECT_NE(message.find("\r\nms-settings:privacy\r\n"), std::string::npos);
}

TEST_F(ReopenTest, ABrowserThatCannotNavigateOrShowIsEndedAndTheShellTakesThePage) {
  for (const char* failure : {"Navigate2", "Visible"}) {
    ScriptedShell s;
    s.failing.insert(failure);
    Reopener r(s, files);
    PageSlots p;
    p[0] = "http://127.0.0.1/a";
    p[1] = "http://127.0.0.1/b";
    EXPECT_TRUE(r.ReopenAll(p).empty()) << failure;
    EXPECT_EQ(s.quitCount, 2) << failure << ": no hidden browser is left behind";
    EXPECT_EQ(s.shellOpened,
              (std::vector<std::string>{"http://127.0.0.1/a", "http://127.0.0.1/b"}));
  }
}

TEST_F(ReopenTest, PagesOpenedNeitherWayAreReportedAndTheRestStillOpen) {
  shell.failing = {"CreateBrowser", "ShellExecute"};
  slots[0] = "http://127.0.0.1/a";
  slots[9] = "http://127.0.0.1/b";
  EXPECT_EQ(Reopen(), (std::vector<std::string>{"http://127.0.0.1/a", "http://127.0.0.1/b"}));
}

// Both routes start what an address names, so the check comes before either: a refused address
// reaches no browser object either, and a file: address goes as the path that was checked.
TEST_F(ReopenTest, RefusedAddressesReachNoRouteAndFileAddressesGoAsTheirCheckedPath) {
  testing::TempFolder temp;
  testing::WriteBytes(temp.path() / "notes.txt", "x");
  testing::WriteBytes(temp.path() / "tool.exe#.txt", "x");
  testing::WriteBytes(temp.path() / "tool.exe", "x");
  const std::string base = "file://" + Utf8FromPath(temp.path());
  const std::vector<std::string> refused = {
      "javascript:alert(1)",        "file://server/share/page.html",
      "ms-settings:privacy",        "file:///C:/%93%FA.html",
      base + "/tool.exe",           "mailto:a@pagemind.example",
      "file:////server/share/x.htm"};
  std::vector<std::string> addresses = {"http://127.0.0.1/a", base + "/notes.txt",
                                        base + "/tool.exe%23.txt"};
  addresses.insert(addresses.begin() + 1, refused.begin(), refused.end());
  const std::vector<std::string> targets = {"http://127.0.0.1/a",
                                            Utf8FromPath(temp.path() / "notes.txt"),
                                            Utf8FromPath(temp.path() / "tool.exe#.txt")};

  EXPECT_EQ(reopener.Open(addresses), refused);
  EXPECT_EQ(Navigated(), targets);
  EXPECT_EQ(shell.created.size(), 3U) << "no browser object is made for a refused address";

  shell.calls.clear();
  shell.failing.insert("CreateBrowser");
  EXPECT_EQ(reopener.Open(addresses), refused);
  EXPECT_EQ(shell.shellOpened, targets);
}

}  // namespace
}  // namespace pagemind::pages
