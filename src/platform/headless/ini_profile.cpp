#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/headless/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/native.h"

namespace pagemind::platform::headless {

namespace {

// What the profile functions drop around names and values: blanks, line ends and the
// end-of-file mark (0x1A) that old editors leave at the end of a file.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The system keeps names and values as C strings: a NUL byte in the file ends them.
std::string_view UpToNul(std::string_view s) {
  return s.substr(0, s.find('\0'));
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "[name]" gives name; anything else is not a section header.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const auto close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// The key a line inside a section names: the text before '=', or the whole line when it has none
// (a key with no value); nothing for a blank line.
std::optional<std::string_view> KeyOf(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.empty()) return std::nullopt;
  return UpToNul(Trim(text.substr(0, text.find('='))));
}

// GetPrivateProfileIntA reads the value through a buffer of 30 characters.
constexpr std::size_t kIntValueLength = 29;

// The value GetPrivateProfileIntA looks at: the first appearance of the key in the first section
// of that name (a later copy of the section is not searched), with matching quotes around it
// removed and cut to the buffer's length. A key line without '=' is the key with an empty value.
std::optional<std::string_view> IntValueText(const std::vector<std::string>& lines,
                                             std::string_view section, std::string_view key) {
  bool inSection = false;
  for (const auto& line : lines) {
    if (auto name = SectionName(line)) {
      if (inSection) return std::nullopt;
      inSection = SameName(UpToNul(*name), section);
      continue;
    }
    if (!inSection) continue;
    const auto name = KeyOf(line);
    if (!name || !SameName(*name, key)) continue;
    const std::string_view text = Trim(line);
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) return std::string_view();
    std::string_view value = UpToNul(Trim(text.substr(equals + 1)));
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (quoted) value.remove_prefix(1);
    // The closing quote goes with the buffer's last character, whichever that is.
    const bool dropLast = quoted && value.size() <= kIntValueLength + 1;
    value = value.substr(0, kIntValueLength);
    if (dropLast && !value.empty()) value.remove_suffix(1);
    return value;
  }
  return std::nullopt;
}

// The system's number reading (RtlUnicodeStringToInteger with base 0): blanks and control
// characters are skipped, then one sign, then "0x", "0o" or "0b" (lower case only) choose the base;
// digits are read to the first that does not belong to the base, and the result wraps around at
// 32 bits.
int SystemInteger(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::uint32_t base = 10;
  if (text.size() >= 2 && text[0] == '0') {
    if (text[1] == 'x') base = 16;
    if (text[1] == 'o') base = 8;
    if (text[1] == 'b') base = 2;
    if (base != 10) text.remove_prefix(2);
  }
  std::uint32_t total = 0;
  for (const char c : text) {
    std::uint32_t digit = 36;
    if (c >= '0' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
    if (c >= 'a' && c <= 'z') digit = static_cast<std::uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z') digit = static_cast<std::uint32_t>(c - 'A' + 10);
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (negative) total = 0U - total;
  return static_cast<int>(total);
}

class IniProfile final : public Profile {
 public:
  IniProfile(Journal* journal, FileSystem& files) : journal_(journal), files_(files) {}
  // A profile on its own, writing through a file system of its own that records nothing.
  IniProfile() : owned_(std::make_unique<PosixFileSystem>()), journal_(nullptr), files_(*owned_) {}

  int ReadInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
              int defaultValue) override {
    if (journal_) journal_->Record("profile read " + std::string(section) + "/" + std::string(key));
    const auto lines = ReadLines(file);
    const auto value = IntValueText(lines, section, key);
    // An entry without a value counts as missing, as with the Windows profile functions.
    return !value || value->empty() ? defaultValue : SystemInteger(*value);
  }

  bool WriteString(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, std::string_view value) override {
    if (journal_) {
      journal_->Record("profile write " + std::string(section) + "/" + std::string(key) + "=" +
                       std::string(value));
    }
    auto lines = ReadLines(file);
    const std::string entry = std::string(key).append("=").append(value);
    std::optional<std::size_t> sectionStart;
    std::size_t insertAt = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (auto name = SectionName(lines[i])) {
        if (sectionStart) break;  // the end of our section
        if (SameName(UpToNul(*name), section)) {
          sectionStart = i;
          insertAt = i + 1;
        }
        continue;
      }
      if (!sectionStart) continue;
      if (auto name = KeyOf(lines[i]); name && SameName(*name, key)) {
        lines[i] = entry;
        return Save(file, lines);
      }
      if (!Trim(lines[i]).empty()) insertAt = i + 1;
    }
    if (!sectionStart) {
      lines.push_back(std::string("[").append(section).append("]"));
      lines.push_back(entry);
    } else {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    }
    return Save(file, lines);
  }

 private:
  bool Save(const std::filesystem::path& file, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text.append(line).append("\r\n");
    return !files_.ReplaceFileContents(file, text);
  }

  std::unique_ptr<FileSystem> owned_;
  Journal* journal_;
  FileSystem& files_;
};

}  // namespace

std::unique_ptr<Profile> MakeIniProfile(Journal* journal, FileSystem& files) {
  return std::make_unique<IniProfile>(journal, files);
}

}  // namespace pagemind::platform::headless

namespace pagemind::platform {

std::unique_ptr<Profile> MakeProfile() {
  return std::make_unique<headless::IniProfile>();
}

}  // namespace pagemind::platform
