#include "browsers/firefox_error.h"

#include <string>

namespace pagemind::browsers {

namespace {

class FirefoxErrorCategoryImpl final : public std::error_category {
 public:
  [[nodiscard]] const char* name() const noexcept override { return "pagemind.firefox"; }
  [[nodiscard]] std::string message(int value) const override {
    switch (static_cast<FirefoxError>(value)) {
      case FirefoxError::kNotMozLz4:
        return "not a mozLz40 file";
      case FirefoxError::kFileTooLarge:
        return "mozLz40 file too large";
      case FirefoxError::kDeclaredTooLarge:
        return "mozLz40 header declares too large a content";
      case FirefoxError::kSizeMismatch:
        return "mozLz40 content size differs from its header";
      case FirefoxError::kBlockTruncated:
        return "mozLz40 block truncated";
      case FirefoxError::kBlockDamaged:
        return "mozLz40 block damaged";
      case FirefoxError::kJsonTruncated:
        return "session JSON breaks off";
      case FirefoxError::kJsonInvalidUtf8:
        return "session JSON is not UTF-8";
      case FirefoxError::kJsonSyntax:
        return "session JSON syntax error";
      case FirefoxError::kNotASession:
        return "JSON without a session's windows";
      case FirefoxError::kRestorePageDamaged:
        return "session kept by about:sessionrestore unreadable";
      case FirefoxError::kOutOfMemory:
        return "out of memory reading a session";
      case FirefoxError::kNoSessionFile:
        return "no session file in the profile";
    }
    return "Firefox file error";
  }
};

}  // namespace

const std::error_category& FirefoxErrorCategory() {
  static const FirefoxErrorCategoryImpl category;
  return category;
}

std::error_code make_error_code(FirefoxError e) {
  return {static_cast<int>(e), FirefoxErrorCategory()};
}

}  // namespace pagemind::browsers
