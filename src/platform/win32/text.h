#pragma once

#include <string>
#include <string_view>

namespace pagemind::platform::win32 {

// Texts are UTF-8 inside the program and UTF-16 only at the Win32 calls. Malformed input never
// fails a conversion: invalid UTF-8 becomes U+FFFD, an unpaired surrogate becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Every line break (CR LF, a lone CR or a lone LF) as CR LF, the one form that every Win32 text
// control and MessageBoxW breaks on.
std::wstring WithWindowsLineBreaks(std::wstring_view text);

}  // namespace pagemind::platform::win32
