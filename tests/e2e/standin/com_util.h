// Small owners for the COM values the stand-in and its tools pass around.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>

#include "../tools/window_tool.h"

namespace standin {

class ComApartment {
 public:
  ComApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  [[nodiscard]] HRESULT status() const { return hr_; }

 private:
  HRESULT hr_;
};

// A BSTR owned by this object and freed once.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text)
      : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR* out() {
    ::SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  [[nodiscard]] BSTR get() const { return value_; }
  // Hands the string to a caller that frees it (an [out] parameter).
  BSTR release() {
    BSTR value = value_;
    value_ = nullptr;
    return value;
  }
  [[nodiscard]] std::wstring text() const {
    return value_ ? std::wstring(value_, ::SysStringLen(value_)) : std::wstring();
  }

 private:
  BSTR value_ = nullptr;
};

// A VARIANT cleared when it goes.
class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  explicit Variant(std::wstring_view text) : Variant() {
    V_VT(&value_) = VT_BSTR;
    V_BSTR(&value_) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  explicit Variant(long number) : Variant() {
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = number;
  }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &value_; }
  [[nodiscard]] const VARIANT& value() const { return value_; }

 private:
  VARIANT value_;
};

using e2e_tool::ToUtf8;

// True for the failures a proxy reports once the process behind it is gone: such an object will
// never answer again. Any other failure (E_NOTIMPL included) is an answer.
inline bool IsDisconnected(HRESULT hr) {
  switch (hr) {
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case CO_E_OBJNOTCONNECTED:
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
      return true;
    default:
      return false;
  }
}

}  // namespace standin
