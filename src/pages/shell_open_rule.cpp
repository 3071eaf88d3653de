#include "pages/shell_open_rule.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "common/paths.h"

namespace pagemind::pages {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  if (decoded.find('\0') != std::string::npos) return std::nullopt;
  return decoded;
}

// Well-formed UTF-8 as Windows converts it: no stray or missing continuation byte, no overlong
// form, no surrogate, nothing above U+10FFFF. A path that fails this would make the
// conversion to the system's UTF-16 throw.
bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t point = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      point = lead & 0x1Fu;
      least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      point = lead & 0x0Fu;
      least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      point = lead & 0x07u;
      least = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      point = (point << 6u) | (next & 0x3Fu);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

// What a browser shows by itself rather than handing it to another program. Saved web
// archives (.mht, .mhtml) and .xml are not among them: they are shown without the mark the
// browser keeps for what came from the web, and run their scripts as local content.
constexpr std::array<std::string_view, 6> kDocumentExtensions = {".htm", ".html", ".xhtml",
                                                                 ".svg", ".pdf",  ".txt"};

}  // namespace

std::optional<std::filesystem::path> LocalPathOfFileAddress(std::string_view address) {
  if (Lower(address.substr(0, 7)) != "file://") return std::nullopt;
  std::string_view rest = address.substr(7);
  const auto slash = rest.find_first_of("/\\");
  const std::string host = Lower(rest.substr(0, std::min(slash, rest.size())));
  if (slash == std::string_view::npos || (!host.empty() && host != "localhost")) {
    return std::nullopt;
  }
  auto decoded = PercentDecoded(rest.substr(slash));
  if (!decoded || !IsUtf8(*decoded)) return std::nullopt;
  std::string path = *decoded;
  std::replace(path.begin(), path.end(), '\\', '/');
  // Two slashes left at the front name a share on another machine.
  if (path.starts_with("//")) return std::nullopt;
  // "/C:/..." and the older "/C|/..." are a drive's paths.
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[1])) &&
      (path[2] == ':' || path[2] == '|')) {
    path.erase(0, 1);
    path[1] = ':';
  }
  return PathFromUtf8(path);
}

std::optional<std::string> OpenableTarget(std::string_view address, platform::FileSystem& files) {
  const std::string lower = Lower(address);
  if (lower.starts_with("http://") || lower.starts_with("https://")) return std::string(address);
  auto path = LocalPathOfFileAddress(address);
  if (!path) return std::nullopt;
  path->make_preferred();
  std::error_code error;
  switch (files.Probe(*path, error)) {
    case platform::PathKind::kFolder:
      return Utf8FromPath(*path);
    case platform::PathKind::kFile: {
      const std::string extension = Lower(Utf8FromPath(path->extension()));
      if (std::find(kDocumentExtensions.begin(), kDocumentExtensions.end(), extension) ==
          kDocumentExtensions.end()) {
        return std::nullopt;
      }
      return Utf8FromPath(*path);
    }
    case platform::PathKind::kNothing:
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace pagemind::pages
