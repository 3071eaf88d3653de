#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/native.h"

namespace pagemind::platform::headless {

namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
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

struct Entry {
  std::string_view key;
  std::string_view value;
};

std::optional<Entry> ParseEntry(std::string_view line) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Entry{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

// A value read as a decimal integer from its start; one that does not begin with a digit (after
// an optional sign) reads as 0; digits beyond the int range saturate.
int DecimalPrefix(std::string_view value) {
  bool negative = false;
  if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  long long result = 0;
  for (char c : value) {
    if (c < '0' || c > '9') break;
    result = std::min<long long>(result * 10 + (c - '0'),
                                 static_cast<long long>(std::numeric_limits<int>::max()) + 1);
  }
  if (negative) result = -result;
  return static_cast<int>(std::clamp<long long>(result, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

class IniProfile final : public Profile {
 public:
  explicit IniProfile(Journal* journal) : journal_(journal) {}

  int ReadInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
              int defaultValue) override {
    if (journal_) journal_->Record("profile read " + std::string(section) + "/" + std::string(key));
    bool inSection = false;
    for (const auto& line : ReadLines(file)) {
      if (auto name = SectionName(line)) {
        inSection = SameName(*name, section);
        continue;
      }
      if (!inSection) continue;
      if (auto entry = ParseEntry(line); entry && SameName(entry->key, key)) {
        // An entry without a value counts as missing, as with the Windows profile functions.
        return entry->value.empty() ? defaultValue : DecimalPrefix(entry->value);
      }
    }
    return defaultValue;
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
        if (SameName(*name, section)) {
          sectionStart = i;
          insertAt = i + 1;
        }
        continue;
      }
      if (!sectionStart) continue;
      if (auto parsed = ParseEntry(lines[i]); parsed && SameName(parsed->key, key)) {
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
  static bool Save(const std::filesystem::path& file, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text.append(line).append("\r\n");
    return !ReplaceFileContents(file, text);
  }

  Journal* journal_;
};

}  // namespace

std::unique_ptr<Profile> MakeIniProfile(Journal* journal) {
  return std::make_unique<IniProfile>(journal);
}

}  // namespace pagemind::platform::headless

namespace pagemind::platform {

std::unique_ptr<Profile> MakeProfile() {
  return headless::MakeIniProfile(nullptr);
}

}  // namespace pagemind::platform
