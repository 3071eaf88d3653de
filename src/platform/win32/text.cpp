#include "platform/win32/text.h"

#include <windows.h>

#include <climits>

namespace pagemind::platform::win32 {

namespace {

// The conversion functions count in int. No text of this program comes near 2 GB; a longer one
// is cut short rather than overflowing the count.
int CheckedLength(std::size_t size) {
  return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int inLength = CheckedLength(utf8.size());
  const int outLength = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
  if (outLength <= 0) return {};
  std::wstring result(static_cast<std::size_t>(outLength), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, result.data(), outLength);
  return result;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int inLength = CheckedLength(utf16.size());
  const int outLength =
      ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), inLength, nullptr, 0, nullptr, nullptr);
  if (outLength <= 0) return {};
  std::string result(static_cast<std::size_t>(outLength), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), inLength, result.data(), outLength, nullptr,
                        nullptr);
  return result;
}

std::wstring WithWindowsLineBreaks(std::wstring_view text) {
  std::wstring result;
  result.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r') {
      result += L"\r\n";
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (c == L'\n') {
      result += L"\r\n";
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace pagemind::platform::win32
