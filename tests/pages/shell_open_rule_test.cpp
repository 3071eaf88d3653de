#include <gtest/gtest.h>

#include "common/paths.h"
#include "pages/shell_open_rule.h"
#include "platform/headless/files.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

// Where no browser object can be made, the shell opens what a browser shows and nothing else.
TEST(ShellOpenRule, LetsThroughOnlyWebAddressesLocalFoldersAndDocuments) {
  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
  for (const char* name : {"page.HTML", "doc.pdf", "notes.txt", "tool.exe", "run.bat", "link.lnk",
                           "data.bin", "noext", "saved.mht", "saved.MHTML", "feed.xml"}) {
    testing::WriteBytes(temp.path() / name, "x");
  }
  std::filesystem::create_directory(temp.path() / "フォルダ");
  const std::string base = "file://" + Utf8FromPath(temp.path());
  const std::pair<std::string, bool> cases[] = {
      {"http://127.0.0.1/a", true},
      {"HTTPS://127.0.0.1/a", true},
      {base + "/page.HTML", true},
      {base + "/doc.pdf", true},
      {base + "/notes.txt", true},
      {base + "/%E3%83%95%E3%82%A9%E3%83%AB%E3%83%80", true},  // a folder, percent-encoded
      {base + "/フォルダ", true},
      {"file://localhost" + Utf8FromPath(temp.path()) + "/page.HTML", true},
      {base + "/tool.exe", false},
      {base + "/run.bat", false},
      {base + "/link.lnk", false},
      {base + "/data.bin", false},
      {base + "/noext", false},
      // Web archives and XML bypass the mark of what came from the web.
      {base + "/saved.mht", false},
      {base + "/saved.MHTML", false},
      {base + "/feed.xml", false},
      {base + "/missing.html", false},
      {base + "/page.HTML%00.exe", false},
      {"file://server/share/page.html", false},
      {"file:////server/share/page.html", false},
      {"file:\\\\server\\share\\page.html", false},
      {"ftp://127.0.0.1/a", false},
      {"javascript:alert(1)", false},
      {"mailto:someone@pagemind.example", false},
      {"ms-settings:privacy", false},
      {"httpx://x", false},
      {"no scheme", false},
      {"", false},
  };
  for (const auto& [address, safe] : cases) {
    EXPECT_EQ(OpenableTarget(address, files).has_value(), safe) << address;
  }
}

TEST(ShellOpenRule, ReadsDrivePathsInBothForms) {
  EXPECT_EQ(LocalPathOfFileAddress("file:///C:/Users/a%20b.html"),
            PathFromUtf8("C:/Users/a b.html"));
  EXPECT_EQ(LocalPathOfFileAddress("file:///c|/x.htm"), PathFromUtf8("c:/x.htm"));
  EXPECT_EQ(LocalPathOfFileAddress("file:///C:\\dir\\x.htm"), PathFromUtf8("C:/dir/x.htm"));
  EXPECT_FALSE(LocalPathOfFileAddress("file://host/C:/x.htm"));
  EXPECT_FALSE(LocalPathOfFileAddress("file:///C:/bad%zz"));
}

// A path escaped in a code page (932 here: 日 is 93 FA) is no path on a system whose paths are
// Unicode: converting it would throw on Windows, so the address is refused like any other.
TEST(ShellOpenRule, RefusesPathsThatAreNotUtf8) {
  for (const char* address :
       {"file:///C:/%93%FA.html", "file:///C:/%E6%97.html", "file:///C:/%C0%AF.html",
        "file:///C:/%ED%A0%80.html", "file:///C:/%F4%90%80%80.html", "file:///C:/%FF.html",
        "file:///C:/\x93\xfa.html"}) {
    EXPECT_FALSE(LocalPathOfFileAddress(address)) << address;
  }
  EXPECT_EQ(LocalPathOfFileAddress("file:///C:/%E6%97%A5%F0%9F%98%80.html"),
            PathFromUtf8("C:/\xe6\x97\xa5\xf0\x9f\x98\x80.html"));
}

// What the routes get is what was checked, never the address to be parsed again.
TEST(ShellOpenRule, GivesWebAddressesAsTheyAreAndFileAddressesAsTheCheckedPath) {
  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
  testing::WriteBytes(temp.path() / "a b#c.html", "x");
  std::filesystem::create_directory(temp.path() / "dir");
  const std::string base = "file://" + Utf8FromPath(temp.path());
  EXPECT_EQ(OpenableTarget("HTTP://127.0.0.1/x#y%20z", files), "HTTP://127.0.0.1/x#y%20z");
  EXPECT_EQ(OpenableTarget(base + "/a%20b%23c.html", files),
            Utf8FromPath(temp.path() / "a b#c.html"));
  EXPECT_EQ(OpenableTarget(base + "/dir", files), Utf8FromPath(temp.path() / "dir"));
  EXPECT_FALSE(OpenableTarget(base + "/a%20b.html#c", files))
      << "a fragment is part of the path checked, and no such file exists";
}

}  // namespace
}  // namespace pagemind::pages
