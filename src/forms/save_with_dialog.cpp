#include "forms/save_with_dialog.h"

#include "common/paths.h"

namespace pagemind {

void SaveWithDialog(platform::Ports ports, platform::Form& owner,
                    platform::SaveDialogOptions options, std::string& lastPath,
                    const std::function<std::string()>& bytes, std::string_view failureHeading) {
  options.initialPath = lastPath;
  const auto answer = ports.ui.ShowSaveDialog(owner, options);
  using Outcome = platform::SaveDialogResult::Outcome;
  if (answer.outcome == Outcome::kCancelled || answer.path.empty()) return;
  lastPath = answer.path;
  if (const auto error = ports.files.OverwriteFile(PathFromUtf8(answer.path), bytes())) {
    ports.ui.ShowMessage(std::string(failureHeading) + "\r\n\r\n" + answer.path + "\r\n    " +
                             ports.files.DescribeError(error),
                         platform::MessageIcon::kStop);
  }
}

}  // namespace pagemind
