#include "platform/headless/headless_platform.h"

namespace pagemind::platform::headless {

HeadlessPlatform::HeadlessPlatform(std::filesystem::path programFolder)
    : program(journal, std::move(programFolder)),
      ui(journal),
      profile(MakeIniProfile(&journal, files)),
      ansi(MakeIconvAnsiCodec("CP932")) {
  // Nothing the program posted runs once its process has ended.
  program.onEnd = [this] { ui.DiscardPosted(); };
}

}  // namespace pagemind::platform::headless
