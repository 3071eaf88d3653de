#include "tray/logon_start.h"

#include <algorithm>

#include "common/paths.h"

namespace pagemind::tray {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

char Folded(char c) {
  if (c == '/') return '\\';
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c;
}

bool SamePath(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return Folded(x) == Folded(y); });
}

}  // namespace

std::string RunValueData(const std::filesystem::path& executable) {
  const std::string path = Utf8FromPath(executable);
  // Built in place: GCC 12 sees a false overlap (-Wrestrict) in "\"" + path + "\"".
  std::string data;
  data.reserve(path.size() + 2);
  data.push_back('"');
  data.append(path);
  data.push_back('"');
  return data;
}

bool RunValueStarts(std::string_view data, const std::filesystem::path& executable) {
  const std::string path = Utf8FromPath(executable);
  if (path.empty()) return false;
  data = Trimmed(data);
  if (data.starts_with('"')) {
    data.remove_prefix(1);
    return SamePath(data.substr(0, data.find('"')), path);
  }
  // Unquoted, Windows tries the longest run of words that names a program; the program's own
  // path, whole or followed by arguments, is the one that matters here.
  if (data.size() > path.size() && data[path.size()] != ' ') return false;
  return SamePath(data.substr(0, path.size()), path);
}

bool LogonStart::IsOn() const {
  std::error_code error;
  const auto data = ports_.runAtLogon.Read(kRunValueName, error);
  return data && RunValueStarts(*data, ports_.program.ExecutablePath());
}

void LogonStart::Switch() {
  if (IsOn()) {
    if (const auto error = ports_.runAtLogon.Remove(kRunValueName)) {
      Report("ログオン時に起動しないように設定できませんでした。", error);
    }
    return;
  }
  const auto data = RunValueData(ports_.program.ExecutablePath());
  if (const auto error = ports_.runAtLogon.Write(kRunValueName, data)) {
    Report("ログオン時に起動するように設定できませんでした。", error);
  }
}

void LogonStart::Report(std::string_view what, const std::error_code& error) {
  ports_.ui.ShowMessage(std::string(what) + "\r\n\r\n" + std::string(platform::kRunKeyName) +
                            "\r\n    " + ports_.files.DescribeError(error),
                        platform::MessageIcon::kStop);
}

}  // namespace pagemind::tray
