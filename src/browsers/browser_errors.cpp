#include "browsers/browser_errors.h"

#include <string>

namespace pagemind::browsers {

namespace {

class BrowserFileCategoryImpl final : public std::error_category {
 public:
  const char* name() const noexcept override { return "pagemind.browser_file"; }
  std::string message(int value) const override {
    switch (static_cast<BrowserFileError>(value)) {
      case BrowserFileError::kTooLarge:
        return "the browser's file is too large to read";
      case BrowserFileError::kNotASessionFile:
        return "not a browser session file";
      case BrowserFileError::kUnknownVersion:
        return "a session file of an unknown version";
      case BrowserFileError::kEncrypted:
        return "the session file is encrypted";
      case BrowserFileError::kTornTail:
        return "the session file ends in a cut record; the records before it were read";
      case BrowserFileError::kDamagedRecords:
        return "damaged records in the session file were skipped";
      case BrowserFileError::kNoSnapshotMarker:
        return "the session file's snapshot is incomplete";
      case BrowserFileError::kNotJson:
        return "the browser's file is not JSON";
      case BrowserFileError::kMissingKey:
        return "the browser's file lacks an expected entry";
      case BrowserFileError::kWrongType:
        return "an entry of the browser's file has an unexpected type";
      case BrowserFileError::kUnknownValue:
        return "an entry of the browser's file has an unknown value";
      case BrowserFileError::kOnlyEncrypted:
        return "the newest session exists only encrypted";
      case BrowserFileError::kNoSessionFile:
        return "the profile has no session file";
    }
    return "the browser's file could not be read";
  }
};

}  // namespace

const std::error_category& BrowserFileCategory() {
  static const BrowserFileCategoryImpl category;
  return category;
}

std::error_code make_error_code(BrowserFileError e) {
  return {static_cast<int>(e), BrowserFileCategory()};
}

bool KeptWhatWasRead(const std::error_code& problem) {
  return !problem || problem == BrowserFileError::kTornTail ||
         problem == BrowserFileError::kDamagedRecords ||
         problem == BrowserFileError::kNoSnapshotMarker;
}

}  // namespace pagemind::browsers
