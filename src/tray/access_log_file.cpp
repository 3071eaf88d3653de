#include "tray/access_log_file.h"

#include "pages/poller.h"

namespace pagemind::tray {

namespace {
// OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT: confirm replacing a file and creating a new one.
constexpr std::uint32_t kSaveDialogFlags = 8194;
}  // namespace

platform::SaveDialogOptions AccessLogSaveDialog(const std::string& lastPath) {
  return {
      .title = "ファイルの保存",
      .filter = "テキスト形式(*.txt)|*.txt|全てのファイルを表示(*.*)|*.*|",
      .flags = kSaveDialogFlags,
      .filterIndex = 1,
      .initialPath = lastPath,
  };
}

std::string AccessLogFileBytes(const std::function<std::string(std::size_t)>& lineAt,
                               const platform::AnsiCodec& ansi) {
  std::string bytes;
  for (std::size_t i = 0; i < pages::kAccessLogLineLimit; ++i) {
    const std::string line = lineAt(i);
    if (line.empty()) break;
    bytes += ansi.ToAnsi(line);
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace pagemind::tray
