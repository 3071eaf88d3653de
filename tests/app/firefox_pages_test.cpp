// Firefox's pages through the whole resident program: a profile laid out from the files
// Debian's firefox-esr wrote, where Firefox keeps it on Windows, with parent.lock held open
// while it runs, as on Windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include "app/application.h"
#include "browsers/firefox_reader.h"
#include "pages/browser_sets.h"
#include "pages/page_history.h"
#include "pages/recovery_copy.h"
#include "platform/headless/headless_platform.h"
#include "selection/selection_window.h"
#include "test_support.h"
#include "tray/menu_commands.h"

namespace pagemind::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using browsers::BrowserEnd;

const fs::path kFixtures = fs::path(PAGEMIND_BROWSER_FIXTURES) / "firefox";
// The crash fixture's three windows: thirteen pages, two, one.
constexpr std::size_t kCrashPages = 16;
const std::string kHeading = "現在のページ  Mozilla Firefox（default）  (16 ページ)";
const std::string kBalloon =
    "Mozilla Firefox（default）が異常終了しました。\n"
    "アイコンをダブルクリックすると 16 ページを開き直します。";

// One run of the program on the program folder, its files seen through a decorator that holds
// Firefox's lock while Firefox runs.
struct ProgramRun {
  explicit ProgramRun(const fs::path& folder)
      : platform(folder), files(platform.files), app(Ports()) {}
  platform::Ports Ports() {
    const auto ports = platform.ports();
    return {ports.program,    ports.ui,          ports.profile, ports.ansi,
            ports.shell,      ports.notifyArea,  files,         ports.clock,
            ports.runAtLogon, ports.userFolders, ports.programs};
  }
  platform::headless::HeadlessPlatform platform;
  HeldFiles files;
  app::Application app;
};

class FirefoxPagesTest : public ::testing::Test {
 protected:
  FirefoxPagesTest() {
    fs::create_directories(profile);
    WriteBytes(profile.parent_path().parent_path() / "profiles.ini",
               "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/a1.default\r\n"
               "Default=1\r\n\r\n[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n");
    fs::copy(kFixtures / "crash", profile, fs::copy_options::recursive);
    WriteBytes(profile / "parent.lock", "");
    WriteBytes(firefoxExe, "MZ");
  }
  // A new run of the program; the last one is left as it stands, never ended: killed, as far
  // as the files tell. Firefox's lock stays held or not as it was, or is held from the start.
  ProgramRun& Start(bool firefoxRunning = false) {
    std::set<fs::path> held;
    if (firefoxRunning) held.insert(profile / "parent.lock");
    if (run) {
      held.insert(run->files.held.begin(), run->files.held.end());
      killed.push_back(std::move(run));
    }
    run = std::make_unique<ProgramRun>(temp.path());
    run->files.held = held;
    run->platform.programs.userRegistrations["firefox.exe"] = firefoxExe;
    run->app.Start();
    run->platform.ui.Advance(3000ms);
    EXPECT_NE(run->app.host(), nullptr);
    return *run;
  }
  void FirefoxRuns() { run->files.held.insert(profile / "parent.lock"); }
  void FirefoxEnds() { run->files.held.clear(); }
  // Firefox's clean end: the final session file, the checkpoint of a clean end.
  void FirefoxEndsCleanly() {
    fs::copy(kFixtures / "clean", profile,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    FirefoxEnds();
  }
  void KilledWhileFirefoxRuns(bool firefoxEndsBeforeTheStart);
  void Advance(std::chrono::milliseconds time) { run->platform.ui.Advance(time); }

  [[nodiscard]] const pages::PageMemory& memory() { return run->app.host()->pageMemory(); }
  [[nodiscard]] std::vector<pages::PageSet> BrowserSets() {
    std::vector<pages::PageSet> sets;
    for (const auto& set : memory().history()) {
      if (set.browser) sets.push_back(set);
    }
    return sets;
  }
  [[nodiscard]] std::vector<std::string> BalloonTexts() {
    std::vector<std::string> texts;
    const auto& area = run->platform.notifyArea;
    if (area.icons.empty()) return texts;
    for (const auto& balloon : area.icons.at(0).balloons) texts.push_back(balloon.text);
    return texts;
  }
  void DoubleClick() {
    run->platform.notifyArea.DoubleClick();
    Advance(100ms);
  }
  // The rows of the selection window, as the tray menu shows it.
  [[nodiscard]] std::vector<std::string> SelectionRows() {
    std::vector<std::string> rows;
    auto& ui = run->platform.ui;
    ui.whileModal.push_back([&] {
      auto* window = ui.Find("PageSelection");
      ASSERT_NE(window, nullptr);
      for (const auto& row : window->Rows(selection::PageSelection::kList1)) {
        rows.push_back(row.text);
      }
      window->PressEscape();
    });
    ui.onPopupMenu = [](const std::vector<platform::MenuItem>&) { return tray::kChoosePages; };
    run->platform.notifyArea.RightClick();
    Advance(100ms);
    return rows;
  }
  [[nodiscard]] pages::RecoveryContents RecoveryCopy() const {
    return pages::ParseRecoveryCopy(ReadBytes(pages::RecoveryCopyPath(temp.path())));
  }
  // Each start of firefox.exe: its pages, after checking the arguments around them.
  [[nodiscard]] std::vector<std::vector<std::string>> FirefoxWindowsStarted() const {
    std::vector<std::vector<std::string>> windows;
    for (const auto& started : run->platform.programs.started) {
      EXPECT_EQ(started.executable, firefoxExe);
      const auto& arguments = started.arguments;
      EXPECT_EQ(std::vector(arguments.begin(), arguments.begin() + 2),
                (std::vector<std::string>{"-P", "default"}));
      std::vector<std::string> window;
      for (std::size_t i = 2; i + 1 < arguments.size(); i += 2) {
        EXPECT_EQ(arguments[i], "-url");
        window.push_back(arguments[i + 1]);
      }
      EXPECT_EQ(arguments.size() % 2, 0U);
      windows.push_back(window);
    }
    return windows;
  }

  TempFolder temp;
  const fs::path profile =
      temp.path() / "AppData" / "Roaming" / "Mozilla" / "Firefox" / "Profiles" / "a1.default";
  const fs::path firefoxExe = temp.path() / "firefox.exe";
  std::unique_ptr<ProgramRun> run;
  std::vector<std::unique_ptr<ProgramRun>> killed;
};

TEST_F(FirefoxPagesTest, WhileFirefoxRunsItsPagesAreCurrentPagesAndInTheRecoveryCopy) {
  Start();
  FirefoxRuns();
  Advance(1100ms);
  ASSERT_EQ(memory().liveBrowserSets().size(), 1U);
  EXPECT_TRUE(BrowserSets().empty()) << "nothing is kept while it runs";
  const auto rows = SelectionRows();
  const auto heading = std::find(rows.begin(), rows.end(), kHeading);
  ASSERT_NE(heading, rows.end()) << ::testing::PrintToString(rows);
  ASSERT_GT(rows.end() - heading, static_cast<std::ptrdiff_t>(kCrashPages));
  const std::vector<std::string> pageRows(heading + 1, heading + 1 + kCrashPages);
  for (const auto* title : {"Page 1", "Page 12", "日本語のページ — テスト", "Window closed"}) {
    EXPECT_EQ(std::count(pageRows.begin(), pageRows.end(), title), 1) << title;
  }

  const auto copy = RecoveryCopy();
  EXPECT_FALSE(copy.problem);
  ASSERT_EQ(copy.browserSets.size(), 1U);
  EXPECT_EQ(copy.browserSets[0].pages.size(), kCrashPages);
  EXPECT_EQ(copy.browserSets[0].browser->source,
            (pages::PageSource{"Mozilla Firefox", "a1.default"}));
  EXPECT_EQ(copy.browserSets[0].browser->end, BrowserEnd::kUnknown);
  EXPECT_TRUE(BalloonTexts().empty());
}

TEST_F(FirefoxPagesTest, FirefoxKilledIsOfferedAndReopenedWindowByWindowInItsProfile) {
  Start();
  FirefoxRuns();
  Advance(1100ms);
  FirefoxEnds();
  Advance(1100ms);
  ASSERT_EQ(BrowserSets().size(), 1U);
  EXPECT_EQ(BrowserSets()[0].browser->end, BrowserEnd::kCrashed);
  EXPECT_TRUE(memory().liveBrowserSets().empty());
  Advance(1000ms);  // the recovery copy follows within its second
  EXPECT_TRUE(RecoveryCopy().browserSets.empty()) << "no longer a current page";
  EXPECT_EQ(BalloonTexts(), std::vector<std::string>{kBalloon});

  DoubleClick();
  const auto windows = FirefoxWindowsStarted();
  ASSERT_EQ(windows.size(), 3U);
  std::vector<std::size_t> sizes;
  std::size_t opened = 0;
  for (const auto& window : windows) {
    sizes.push_back(window.size());
    opened += window.size();
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<std::size_t>{1, 2, 13}));
  EXPECT_EQ(opened, kCrashPages);
  DoubleClick();
  EXPECT_EQ(run->platform.programs.started.size(), 3U) << "opened once";
}

TEST_F(FirefoxPagesTest, ACleanEndIsKeptButNeitherToldNorOpened) {
  Start();
  FirefoxRuns();
  Advance(1100ms);
  FirefoxEndsCleanly();
  Advance(1100ms);
  ASSERT_EQ(BrowserSets().size(), 1U);
  EXPECT_EQ(BrowserSets()[0].browser->end, BrowserEnd::kNormal);
  EXPECT_TRUE(memory().liveBrowserSets().empty());
  EXPECT_TRUE(BalloonTexts().empty());
  DoubleClick();
  EXPECT_TRUE(run->platform.programs.started.empty());
}

// The program is killed while Firefox runs; Firefox is killed too, before the next start or
// while it runs. Its pages come back from the recovery copy as a set whose end is unknown,
// which becomes the crash once Firefox's end is seen: one set, offered once.
void FirefoxPagesTest::KilledWhileFirefoxRuns(bool firefoxEndsBeforeTheStart) {
  Start();
  FirefoxRuns();
  Advance(1100ms);
  ASSERT_EQ(RecoveryCopy().browserSets.size(), 1U);
  if (firefoxEndsBeforeTheStart) FirefoxEnds();

  Start();
  if (!firefoxEndsBeforeTheStart) {
    ASSERT_EQ(BrowserSets().size(), 1U);
    EXPECT_EQ(BrowserSets()[0].browser->end, BrowserEnd::kUnknown);
    EXPECT_EQ(BrowserSets()[0].pages.size(), kCrashPages);
    Advance(1100ms);
    EXPECT_EQ(memory().liveBrowserSets().size(), 1U) << "still running";
    EXPECT_EQ(BrowserSets().size(), 1U);
    FirefoxEnds();
  }
  Advance(1100ms);
  EXPECT_TRUE(memory().liveBrowserSets().empty());
  ASSERT_EQ(BrowserSets().size(), 1U) << "one set, not two";
  EXPECT_EQ(BrowserSets()[0].browser->end, BrowserEnd::kCrashed);
  EXPECT_EQ(BrowserSets()[0].pages.size(), kCrashPages);
  EXPECT_EQ(BalloonTexts(), std::vector<std::string>{kBalloon});
  const auto rows = SelectionRows();
  EXPECT_EQ(std::count(rows.begin(), rows.end(), kHeading), 0)
      << "no longer among the current pages";
  Advance(1000ms);
  EXPECT_TRUE(RecoveryCopy().browserSets.empty());
  DoubleClick();
  EXPECT_EQ(FirefoxWindowsStarted().size(), 3U);
}

TEST_F(FirefoxPagesTest, AfterTheProgramWasKilledFirefoxsEndMakesItsPagesItsCrash) {
  KilledWhileFirefoxRuns(false);
}

TEST_F(FirefoxPagesTest, AfterTheProgramWasKilledAFirefoxEndedMeanwhileIsItsCrash) {
  KilledWhileFirefoxRuns(true);
}

// Watching switched off after a run was killed while Firefox ran: no check will ever tell
// whether those pages are still open, so they are the history's alone, not current pages.
TEST_F(FirefoxPagesTest, WithWatchingOffARecoveredSetIsNoCurrentPage) {
  Start();
  FirefoxRuns();
  Advance(1100ms);
  ASSERT_EQ(RecoveryCopy().browserSets.size(), 1U);
  WriteBytes(temp.path() / "Pagemind.ini", "[Settings]\r\nBrowsers=0\r\n");

  Start();
  Advance(1100ms);
  EXPECT_TRUE(memory().liveBrowserSets().empty());
  const auto rows = SelectionRows();
  EXPECT_EQ(std::count(rows.begin(), rows.end(), kHeading), 0);
  Advance(1000ms);
  EXPECT_TRUE(RecoveryCopy().browserSets.empty()) << "no copy carries them on for good";
  ASSERT_EQ(BrowserSets().size(), 1U) << "kept as they were last seen";
  EXPECT_EQ(BrowserSets()[0].browser->end, BrowserEnd::kUnknown);
  EXPECT_TRUE(BalloonTexts().empty());
}

// Firefox runs at the start, having started without restoring its last run: the pages of that
// run, which Firefox keeps aside, are kept as its end, and neither told nor opened.
TEST_F(FirefoxPagesTest, TheRunFirefoxDidNotRestoreIsKeptButNotOffered) {
  fs::remove_all(profile);
  fs::copy(kFixtures / "not_restored", profile, fs::copy_options::recursive);
  WriteBytes(profile / "parent.lock", "");
  Start(true);
  Advance(1100ms);
  const auto sets = BrowserSets();
  ASSERT_EQ(sets.size(), 1U);
  EXPECT_EQ(sets[0].browser->end, BrowserEnd::kNormal);
  std::vector<std::string> kept;
  for (const auto& page : sets[0].pages) kept.push_back(page.address);
  EXPECT_EQ(kept, (std::vector<std::string>{"http://127.0.0.1:8765/p1.html",
                                            "http://127.0.0.1:8765/p2.html"}));
  ASSERT_EQ(memory().liveBrowserSets().size(), 1U) << "the run now is a current page";
  EXPECT_EQ(memory().liveBrowserSets()[0].pages.size(), 1U);
  EXPECT_TRUE(BalloonTexts().empty());
  DoubleClick();
  EXPECT_TRUE(run->platform.programs.started.empty());

  // Killed: the next start has Firefox's pages now from the recovery copy, and the run before
  // once.
  Start();
  Advance(1100ms);
  const auto again = BrowserSets();
  EXPECT_EQ(std::count_if(again.begin(), again.end(),
                          [&](const pages::PageSet& set) {
                            return set.browser->session == sets[0].browser->session;
                          }),
            1);
}

// Windows ends its session while Firefox runs: the program ends with it, then Firefox, which
// writes its final session as at any clean end. The next start offers that final session as
// ended with Windows, once.
TEST_F(FirefoxPagesTest, TheEndOfTheWindowsSessionWhileFirefoxRunsIsOfferedOnce) {
  platform::headless::PosixFileSystem disk;
  const auto finalWrite = browsers::ReadFirefoxProfileSession(disk, kFixtures / "clean");
  ASSERT_FALSE(finalWrite.error);
  const std::int64_t shutdown = finalWrite.session.lastUpdate / 1000 - 5;
  Start();
  run->platform.clock.now = shutdown;
  FirefoxRuns();
  Advance(1100ms);
  run->platform.ui.Find("Main")->RequestClose(platform::UnloadReason::kWindowsSession);
  ASSERT_TRUE(run->platform.program.ended());
  const auto copy = RecoveryCopy();
  ASSERT_EQ(copy.browserSets.size(), 1U);
  EXPECT_EQ(copy.browserSets[0].browser->end, BrowserEnd::kSessionEnded);
  FirefoxEndsCleanly();

  Start();
  run->platform.clock.now = shutdown + 120;
  Advance(1100ms);
  EXPECT_TRUE(memory().liveBrowserSets().empty());
  EXPECT_EQ(pages::SetsToReopen(memory().history()).size(), 1U);
  ASSERT_EQ(BalloonTexts().size(), 1U);
  EXPECT_TRUE(BalloonTexts()[0].starts_with(
      "Mozilla Firefox（default）は Windows の終了で閉じられました。\n"))
      << BalloonTexts()[0];
  DoubleClick();
  std::size_t opened = 0;
  for (const auto& window : FirefoxWindowsStarted()) opened += window.size();
  EXPECT_EQ(opened, 16U) << "the final session's pages, once";
  DoubleClick();
  EXPECT_EQ(FirefoxWindowsStarted().size(), 2U);
}

}  // namespace
}  // namespace pagemind::testing
