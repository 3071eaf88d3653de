#include "platform/win32/ini_profile.h"

#include <windows.h>

#include <climits>
#include <optional>
#include <string>

#include "platform/win32/ansi_codec.h"

namespace pagemind::platform::win32 {

namespace {

// The path in the ANSI code page, or nothing when some character of it has no ANSI form.
std::optional<std::string> AnsiPath(const std::filesystem::path& file) {
  const std::wstring& wide = file.native();
  if (wide.empty() || wide.size() > INT_MAX) return std::nullopt;
  const int inLength = static_cast<int>(wide.size());
  BOOL lossy = FALSE;
  const UINT codePage = ::GetACP();
  // CP_UTF8 refuses the lossy-flag argument, and can spell every path anyway.
  BOOL* lossyFlag = codePage == CP_UTF8 ? nullptr : &lossy;
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length =
      ::WideCharToMultiByte(codePage, flags, wide.data(), inLength, nullptr, 0, nullptr, lossyFlag);
  if (length <= 0 || lossy) return std::nullopt;
  std::string result(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, flags, wide.data(), inLength, result.data(), length, nullptr,
                        nullptr);
  return result;
}

}  // namespace

int IniProfile::ReadInt(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, int defaultValue) {
  const std::optional<std::string> path = AnsiPath(file);
  if (!path) return defaultValue;
  const AnsiCodePageCodec codec;
  const std::string sectionName = codec.ToAnsi(section);
  const std::string keyName = codec.ToAnsi(key);
  // GetPrivateProfileIntA returns UINT; the bits are the signed value the file holds.
  return static_cast<int>(
      ::GetPrivateProfileIntA(sectionName.c_str(), keyName.c_str(), defaultValue, path->c_str()));
}

bool IniProfile::WriteString(const std::filesystem::path& file, std::string_view section,
                             std::string_view key, std::string_view value) {
  const std::optional<std::string> path = AnsiPath(file);
  if (!path) return false;
  const AnsiCodePageCodec codec;
  const std::string sectionName = codec.ToAnsi(section);
  const std::string keyName = codec.ToAnsi(key);
  const std::string text = codec.ToAnsi(value);
  return ::WritePrivateProfileStringA(sectionName.c_str(), keyName.c_str(), text.c_str(),
                                      path->c_str()) != FALSE;
}

}  // namespace pagemind::platform::win32
