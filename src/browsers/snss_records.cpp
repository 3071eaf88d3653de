#include "browsers/snss_records.h"

#include <algorithm>

#include "browsers/browser_errors.h"

namespace pagemind::browsers {

namespace {

constexpr std::int32_t kSignature = 0x53534E53;  // "SNSS" read as a little-endian int32
// Plain versions: 1 (before the snapshot marker) and 3 (with it).
constexpr std::int32_t kPlainVersion = 1;
constexpr std::int32_t kPlainVersionWithMarker = 3;
// Encrypted versions: 2 and 4 (AES-GCM with a key of the browser's), 5 (OS-bound encryption
// in Sessions_Encrypted).
constexpr std::int32_t kEncryptedVersions[] = {2, 4, 5};

std::uint32_t Uint32At(std::string_view bytes, std::size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

std::int32_t Int32At(std::string_view bytes, std::size_t offset) {
  return static_cast<std::int32_t>(Uint32At(bytes, offset));
}

SnssRecords::SnssRecords(std::string_view bytes) {
  if (bytes.size() < 8 || Int32At(bytes, 0) != kSignature) {
    problem_ = BrowserFileError::kNotASessionFile;
    return;
  }
  version_ = Int32At(bytes, 4);
  if (version_ != kPlainVersion && version_ != kPlainVersionWithMarker) {
    bool encrypted = false;
    for (const std::int32_t v : kEncryptedVersions) encrypted = encrypted || v == version_;
    problem_ = encrypted ? BrowserFileError::kEncrypted : BrowserFileError::kUnknownVersion;
    return;
  }
  rest_ = bytes.substr(8);
}

bool SnssRecords::Next(SnssRecord& record) {
  if (rest_.empty()) return false;
  if (rest_.size() < 2) {
    problem_ = BrowserFileError::kTornTail;
    rest_ = {};
    return false;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(rest_.data());
  const std::size_t size = std::size_t{p[0]} | std::size_t{p[1]} << 8;
  // A zero size is never written (it counts the id byte): what follows is no record.
  if (size == 0 || size > rest_.size() - 2) {
    problem_ = BrowserFileError::kTornTail;
    rest_ = {};
    return false;
  }
  record.id = p[2];
  record.payload = rest_.substr(3, size - 1);
  rest_.remove_prefix(2 + size);
  return true;
}

PickleReader::PickleReader(std::string_view pickle) {
  // As base::Pickle takes it: the payload is the last `payload size` bytes, and what is before
  // it (the header) must be a whole number of 4-byte units, at least one.
  if (pickle.size() < 4) return;
  const std::uint32_t payloadSize = Uint32At(pickle, 0);
  if (payloadSize > pickle.size() - 4) return;
  const std::size_t headerSize = pickle.size() - payloadSize;
  if (headerSize % 4 != 0) return;
  rest_ = pickle.substr(headerSize);
}

bool PickleReader::Fail() {
  rest_ = {};
  return false;
}

bool PickleReader::Take(std::size_t size, std::string_view& bytes) {
  if (size > rest_.size()) return Fail();
  bytes = rest_.substr(0, size);
  // Padding to the next 4 bytes, where the pickle has it (the last field's may be missing).
  const std::size_t padded = std::min(rest_.size(), (size + 3) / 4 * 4);
  rest_.remove_prefix(padded);
  return true;
}

bool PickleReader::ReadInt(std::int32_t& value) {
  std::string_view bytes;
  if (!Take(4, bytes)) return false;
  value = Int32At(bytes, 0);
  return true;
}

bool PickleReader::ReadInt64(std::int64_t& value) {
  std::string_view bytes;
  if (!Take(8, bytes)) return false;
  value = static_cast<std::int64_t>(std::uint64_t{Uint32At(bytes, 0)} |
                                    std::uint64_t{Uint32At(bytes, 4)} << 32);
  return true;
}

bool PickleReader::ReadBool(bool& value) {
  std::string_view bytes;
  if (!Take(1, bytes)) return false;
  value = bytes[0] != 0;
  return true;
}

bool PickleReader::ReadString(std::string_view& value) {
  std::int32_t length = 0;
  if (!ReadInt(length)) return false;
  if (length < 0) return Fail();
  return Take(static_cast<std::size_t>(length), value);
}

bool PickleReader::ReadString16(std::string_view& utf16le) {
  std::int32_t units = 0;
  if (!ReadInt(units)) return false;
  if (units < 0) return Fail();
  // Checked against what is left before doubling, so no count can overflow.
  if (static_cast<std::size_t>(units) > rest_.size() / 2) return Fail();
  return Take(static_cast<std::size_t>(units) * 2, utf16le);
}

std::string Utf8FromUtf16Le(std::string_view utf16le) {
  std::string out;
  out.reserve(utf16le.size() / 2 * 3 / 2);
  const auto* p = reinterpret_cast<const unsigned char*>(utf16le.data());
  const std::size_t units = utf16le.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t unit = char32_t{p[2 * i]} | char32_t{p[2 * i + 1]} << 8;
    if (unit < 0xD800 || unit > 0xDFFF) {
      AppendUtf8(out, unit);
    } else if (unit <= 0xDBFF && i + 1 < units) {
      const char32_t low = char32_t{p[2 * i + 2]} | char32_t{p[2 * i + 3]} << 8;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
      } else {
        AppendUtf8(out, kReplacement);
      }
    } else {
      AppendUtf8(out, kReplacement);
    }
  }
  return out;
}

std::string ValidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = p[i];
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, c = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, c = lead & 0x07, least = 0x10000;
    }
    bool valid = length != 0 && i + length <= bytes.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      valid = (p[i + k] & 0xC0) == 0x80;
      c = c << 6 | (p[i + k] & 0x3F);
    }
    valid = valid && c >= least && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    if (valid) {
      out.append(bytes.substr(i, length));
      i += length;
    } else {
      AppendUtf8(out, kReplacement);
      ++i;
    }
  }
  return out;
}

}  // namespace pagemind::browsers
