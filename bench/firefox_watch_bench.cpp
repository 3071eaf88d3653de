// What following Firefox costs while it runs and its session does not change: a profile laid
// out from Debian's firefox-esr's crash fixture, `parent.lock` held as Firefox holds it on
// Windows. One check a second lists sessionstore-backups and tries the lock; the session file
// is read again only when it changed: an idle minute (60 checks) reads it 0 times (the counter
// `session_reads`). A check's time is its cost per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "browsers/firefox_watch.h"
#include "platform/headless/files.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using pagemind::browsers::FirefoxWatch;

// The disk, with parent.lock held and the reads of session files counted.
class RunningFirefoxFiles final : public pagemind::platform::FileSystem {
 public:
  int sessionReads = 0;

  pagemind::platform::PathKind Probe(const fs::path& path, std::error_code& error) override {
    return disk_.Probe(path, error);
  }
  std::error_code ListFolder(const fs::path& folder, std::size_t limit,
                             std::vector<pagemind::platform::FolderEntry>& entries) override {
    return disk_.ListFolder(folder, limit, entries);
  }
  std::error_code CreateFolder(const fs::path& path) override { return disk_.CreateFolder(path); }
  std::error_code ReadWholeFile(const fs::path& path, std::size_t limit,
                                std::string& contents) override {
    if (path.filename() == "parent.lock") return pagemind::platform::FileError::kHeldOpen;
    if (path.extension() == ".jsonlz4" || path.extension() == ".baklz4") ++sessionReads;
    return disk_.ReadWholeFile(path, limit, contents);
  }
  std::vector<std::error_code> ReplaceFilesContents(
      std::span<const pagemind::platform::FileReplacement> files) override {
    return disk_.ReplaceFilesContents(files);
  }
  std::error_code OverwriteFile(const fs::path& path, std::string_view bytes) override {
    return disk_.OverwriteFile(path, bytes);
  }
  std::error_code DeleteFile(const fs::path& path) override { return disk_.DeleteFile(path); }
  std::error_code RenameFile(const fs::path& from, const fs::path& to) override {
    return disk_.RenameFile(from, to);
  }
  [[nodiscard]] std::string DescribeError(const std::error_code& error) const override {
    return disk_.DescribeError(error);
  }

 private:
  pagemind::platform::headless::PosixFileSystem disk_;
};

void BM_FirefoxWatchIdleMinute(benchmark::State& state) {
  pagemind::testing::TempFolder temp;
  const auto firefox = temp.path() / "Mozilla" / "Firefox";
  const auto profile = firefox / "Profiles" / "bench.default-release";
  fs::create_directories(profile);
  fs::copy(fs::path(PAGEMIND_BROWSER_FIXTURES) / "firefox" / "crash", profile,
           fs::copy_options::recursive);
  pagemind::testing::WriteBytes(profile / "parent.lock", "");
  pagemind::testing::WriteBytes(firefox / "profiles.ini",
                                "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\n"
                                "Path=Profiles/bench.default-release\r\n");
  RunningFirefoxFiles files;
  FirefoxWatch watch(files, temp.path());
  const auto lastKept = [](std::string_view, std::string_view) { return std::int64_t{0}; };
  if (!watch.Check(lastKept).live) state.SkipWithError("Firefox's pages were not read");
  const int readsBefore = files.sessionReads;
  for (auto _ : state) {
    for (int second = 0; second < 60; ++second) {
      auto findings = watch.Check(lastKept);
      benchmark::DoNotOptimize(findings);
    }
  }
  state.counters["session_reads"] = files.sessionReads - readsBefore;
  // The time shown is a minute's cost; items_per_second, checks a second of work.
  state.SetItemsProcessed(state.iterations() * 60);
}
BENCHMARK(BM_FirefoxWatchIdleMinute)->Unit(benchmark::kMillisecond);

}  // namespace
