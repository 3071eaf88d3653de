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

// What a browser shows by itself rather than handing it to another program.
constexpr std::array<std::string_view, 9> kDocumentExtensions = {
    ".htm", ".html", ".mht", ".mhtml", ".xhtml", ".xml", ".svg", ".pdf", ".txt"};

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
  if (!decoded) return std::nullopt;
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

bool SafeToHandToShell(std::string_view address, platform::FileSystem& files) {
  const std::string lower = Lower(address);
  if (lower.starts_with("http://") || lower.starts_with("https://")) return true;
  const auto path = LocalPathOfFileAddress(address);
  if (!path) return false;
  std::error_code error;
  switch (files.Probe(*path, error)) {
    case platform::PathKind::kFolder:
      return true;
    case platform::PathKind::kFile: {
      const std::string extension = Lower(Utf8FromPath(path->extension()));
      return std::find(kDocumentExtensions.begin(), kDocumentExtensions.end(), extension) !=
             kDocumentExtensions.end();
    }
    case platform::PathKind::kNothing:
      return false;
  }
  return false;
}

}  // namespace pagemind::pages
