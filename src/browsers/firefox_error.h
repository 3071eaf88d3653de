#pragma once

#include <system_error>

namespace pagemind::browsers {

// Why a Firefox file could not be read. The messages name the fault for a log; the program's
// windows word it for the user themselves.
enum class FirefoxError {
  kNotMozLz4 = 1,       // does not start with "mozLz40\0": not a compressed session file
  kFileTooLarge,        // over kMozLz4MaxFileBytes
  kDeclaredTooLarge,    // the header declares content over kMozLz4MaxContentBytes
  kSizeMismatch,        // the block's content is not of the size the header declares
  kBlockTruncated,      // the file ends inside the LZ4 block
  kBlockDamaged,        // the LZ4 block cannot be decoded
  kJsonTruncated,       // the JSON breaks off before its end
  kJsonInvalidUtf8,     // a byte sequence that is not UTF-8
  kJsonSyntax,          // anything else that is not JSON
  kNotASession,         // JSON, but no session: not an object with a "windows" list
  kRestorePageDamaged,  // the session kept by an about:sessionrestore tab is not readable
  kOutOfMemory,
  kNoSessionFile,  // none of the profile's session files exists
};

const std::error_category& FirefoxErrorCategory();
std::error_code make_error_code(FirefoxError e);

}  // namespace pagemind::browsers

template <>
struct std::is_error_code_enum<pagemind::browsers::FirefoxError> : std::true_type {};
