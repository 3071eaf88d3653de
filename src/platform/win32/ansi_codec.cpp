#include "platform/win32/ansi_codec.h"

#include <windows.h>

#include <climits>

#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

int CheckedLength(std::size_t size) {
  return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

bool IsSurrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

// Strict conversion of a piece of ANSI text: false when any byte sequence in it is invalid.
bool DecodeStrict(UINT codePage, std::string_view bytes, std::wstring& out) {
  if (bytes.empty()) return true;
  const int inLength = CheckedLength(bytes.size());
  const int length =
      ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
  if (length <= 0) return false;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(length));
  if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength,
                            out.data() + start, length) != length) {
    out.resize(start);
    return false;
  }
  return true;
}

}  // namespace

std::string AnsiCodePageCodec::ToAnsi(std::string_view utf8) const {
  const UINT codePage = ::GetACP();
  std::wstring wide = Widen(utf8);
  if (codePage == CP_UTF8) return Narrow(wide);
  if (wide.empty()) return {};

  // WideCharToMultiByte would give each half of a surrogate pair its own '?'; no ANSI code page
  // holds such characters, so each becomes one '?' here.
  std::wstring bmp;
  bmp.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (IsSurrogate(wide[i])) {
      bmp += L'?';
      if (wide[i] <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
          wide[i + 1] <= 0xDFFF) {
        ++i;
      }
    } else {
      bmp += wide[i];
    }
  }

  const int inLength = CheckedLength(bmp.size());
  const int length = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, bmp.data(), inLength,
                                           nullptr, 0, "?", nullptr);
  if (length <= 0) return {};
  std::string result(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, bmp.data(), inLength, result.data(), length,
                        "?", nullptr);
  return result;
}

bool AnsiCodePageCodec::CanHold(std::string_view utf8) const {
  const UINT codePage = ::GetACP();
  const std::wstring wide = Widen(utf8);
  // Widen gives invalid UTF-8 as U+FFFD: such bytes come back as no text of the program's.
  if (Narrow(wide) != utf8) return false;
  if (codePage == CP_UTF8 || wide.empty()) return true;
  const int inLength = CheckedLength(wide.size());
  BOOL usedDefault = FALSE;
  const int length = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), inLength,
                                           nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return false;
  std::string ansi(static_cast<std::size_t>(length), '\0');
  if (::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), inLength, ansi.data(),
                            length, nullptr, &usedDefault) != length ||
      usedDefault) {
    return false;
  }
  std::wstring back;
  return DecodeStrict(codePage, ansi, back) && back == wide;
}

std::string AnsiCodePageCodec::FromAnsi(std::string_view ansi) const {
  const UINT codePage = ::GetACP();
  std::wstring wide;
  if (DecodeStrict(codePage, ansi, wide)) return Narrow(wide);

  // With UTF-8 as the ANSI code page the system's lenient decoding already gives U+FFFD.
  if (codePage == CP_UTF8) return Narrow(Widen(ansi));

  // Walk the text character by character: a lead byte claims the byte after it, and whatever
  // does not decode on its own is replaced, so one bad byte costs one character only.
  wide.clear();
  std::size_t i = 0;
  while (i < ansi.size()) {
    const auto byte = static_cast<BYTE>(ansi[i]);
    const std::size_t width = (::IsDBCSLeadByteEx(codePage, byte) && i + 1 < ansi.size()) ? 2 : 1;
    if (DecodeStrict(codePage, ansi.substr(i, width), wide)) {
      i += width;
    } else {
      wide += L'\xFFFD';
      ++i;
    }
  }
  return Narrow(wide);
}

}  // namespace pagemind::platform::win32
