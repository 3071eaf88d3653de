#pragma once

#include <system_error>

namespace pagemind::browsers {

// What a browser's own file could not give, for the caller to put into words for the user.
// The texts of the category are for logs; a window says it in its own language.
enum class BrowserFileError {
  kTooLarge = 1,      // beyond what a reader takes; nothing read
  kNotASessionFile,   // no "SNSS" at the start, or too short for a header; nothing read
  kUnknownVersion,    // a session file of a version this reader does not know; nothing read
  kEncrypted,         // the records are encrypted (Sessions_Encrypted); nothing read
  kTornTail,          // the last record is cut short; what came before it was read
  kDamagedRecords,    // records that could not be read were skipped; the rest was read
  kNoSnapshotMarker,  // the snapshot at the start never ended: the browser would not use it
  kNotJson,           // not JSON, or JSON cut short
  kMissingKey,        // the JSON lacks what was looked for
  kWrongType,         // the JSON holds it with another type
  kUnknownValue,      // a value this reader does not know
  kOnlyEncrypted,     // the newest session exists only encrypted; nothing can be read
  kNoSessionFile,     // the profile holds no session file
};

const std::error_category& BrowserFileCategory();
std::error_code make_error_code(BrowserFileError e);

// Whether a reading with this problem still gave what it could (a partial session), rather than
// nothing at all.
bool KeptWhatWasRead(const std::error_code& problem);

}  // namespace pagemind::browsers

template <>
struct std::is_error_code_enum<pagemind::browsers::BrowserFileError> : std::true_type {};
