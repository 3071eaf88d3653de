#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace pagemind::browsers {

// The framing of Chromium's session files ("SNSS"), below the meaning of their commands
// (components/sessions/core/command_storage_backend.cc, base/pickle.cc). Everything here reads
// from the caller's bytes without copying them; every length is checked against what is left.

inline constexpr std::uint8_t kSnapshotMarkerId = 255;

struct SnssRecord {
  std::uint8_t id = 0;
  std::string_view payload;  // the record's bytes after its id
};

// Walks the records of a whole file. The header is checked first: `problem()` is then
// kNotASessionFile, kUnknownVersion or kEncrypted, and there are no records. A record whose size
// runs past the end (a write cut short) or is zero ends the walk with kTornTail.
class SnssRecords {
 public:
  explicit SnssRecords(std::string_view bytes);

  // The next record, or false at the end of the file or at a torn tail.
  bool Next(SnssRecord& record);

  [[nodiscard]] int version() const { return version_; }
  [[nodiscard]] const std::error_code& problem() const { return problem_; }

 private:
  std::string_view rest_;
  int version_ = 0;
  std::error_code problem_;
};

// Reads the fields of a pickle (base::Pickle): a uint32 payload size, then fields each padded
// to 4 bytes. A failed read leaves the reader at the end, so every later read fails too.
class PickleReader {
 public:
  // An invalid header gives a reader at whose end every read fails.
  explicit PickleReader(std::string_view pickle);

  bool ReadInt(std::int32_t& value);
  bool ReadInt64(std::int64_t& value);
  bool ReadBool(bool& value);
  // The bytes of a string; of a string16, its UTF-16LE bytes (twice its count of units).
  bool ReadString(std::string_view& value);
  bool ReadString16(std::string_view& utf16le);

 private:
  bool Take(std::size_t size, std::string_view& bytes);
  bool Fail();

  std::string_view rest_;
};

// A little-endian field of a raw payload (the commands whose payload is a plain struct).
std::int32_t Int32At(std::string_view bytes, std::size_t offset);

// Text as the program keeps it: UTF-8, with what is not valid (an unpaired surrogate, a byte
// that starts no character) as U+FFFD.
std::string Utf8FromUtf16Le(std::string_view utf16le);
std::string ValidUtf8(std::string_view bytes);

}  // namespace pagemind::browsers
