#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/headless/headless_platform.h"
#include "platform/native.h"

namespace pagemind::platform::headless {

namespace {

// One conversion direction; iconv keeps shift state, so each call resets it first.
class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
    // iconv_open reports failure as (iconv_t)-1.
    if (handle_ == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `input`; on a sequence it cannot take, skips `skip(input)` bytes and writes
  // `replacement` instead. `replaced`, when given, tells whether that happened.
  template <typename Skip>
  std::string Convert(std::string_view input, std::string_view replacement, Skip skip,
                      bool* replaced = nullptr) const {
    if (replaced) *replaced = false;
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.reserve(input.size() * 2);
    char buffer[256];
    auto* in = const_cast<char*>(input.data());  // iconv's signature is not const-correct
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t result = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (result != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a sequence cut off at the end): replace and move on.
      out.append(replacement);
      if (replaced) *replaced = true;
      const std::size_t n = std::min(inLeft, skip(std::string_view(in, inLeft)));
      in += n;
      inLeft -= n;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t handle_;
};

std::size_t Utf8SequenceLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s.front());
  std::size_t n = 1;
  if (lead >= 0xF0) {
    n = 4;
  } else if (lead >= 0xE0) {
    n = 3;
  } else if (lead >= 0xC0) {
    n = 2;
  }
  return std::max<std::size_t>(1, std::min(n, s.size()));
}

class IconvAnsiCodec final : public AnsiCodec {
 public:
  explicit IconvAnsiCodec(const std::string& codePage)
      : toAnsi_(codePage.c_str(), "UTF-8"), fromAnsi_("UTF-8", codePage.c_str()) {}

  std::string ToAnsi(std::string_view utf8) const override {
    return toAnsi_.Convert(utf8, "?", Utf8SequenceLength);
  }
  std::string FromAnsi(std::string_view ansi) const override {
    return fromAnsi_.Convert(ansi, "\xEF\xBF\xBD", [](std::string_view) { return std::size_t{1}; });
  }
  bool CanHold(std::string_view utf8) const override {
    bool replaced = false;
    const auto ansi = toAnsi_.Convert(utf8, "?", Utf8SequenceLength, &replaced);
    // iconv maps some characters to look-alikes (U+301C WAVE DASH to the byte pair of U+FF5E):
    // only the way back tells them.
    return !replaced && FromAnsi(ansi) == utf8;
  }

 private:
  Converter toAnsi_;
  Converter fromAnsi_;
};

}  // namespace

std::unique_ptr<AnsiCodec> MakeIconvAnsiCodec(const std::string& codePage) {
  return std::make_unique<IconvAnsiCodec>(codePage);
}

}  // namespace pagemind::platform::headless

namespace pagemind::platform {

std::unique_ptr<AnsiCodec> MakeAnsiCodec() {
  return headless::MakeIconvAnsiCodec("CP932");
}

}  // namespace pagemind::platform
