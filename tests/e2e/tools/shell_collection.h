#pragma once
// The shell's window collection as the e2e tools reach it: the way pagemind.exe creates it, its
// items by position, its count asked through IDispatch, and HRESULTs as text.
#include <exdisp.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>

#include "../standin/com_util.h"

namespace e2e_tool {

using Microsoft::WRL::ComPtr;

inline std::string Hex(unsigned long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

inline std::string HrText(HRESULT hr) {
  return Hex(static_cast<unsigned long>(hr));
}

// The collection exactly as pagemind.exe asks for it.
inline HRESULT CreateShellWindows(ComPtr<IShellWindows>& windows) {
  return ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&windows));
}

inline HRESULT ItemAt(IShellWindows* windows, long index, ComPtr<IDispatch>& item) {
  standin::Variant position(index);
  item.Reset();
  return windows->Item(*position.get(), item.ReleaseAndGetAddressOf());
}

// Count asked by name through IDispatch, as a script would.
inline HRESULT CountByName(IShellWindows* windows, long& count) {
  wchar_t name[] = L"Count";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  HRESULT hr = windows->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS none = {};
  standin::Variant result;
  hr = windows->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.get(),
                       nullptr, nullptr);
  if (FAILED(hr)) return hr;
  standin::Variant number;
  hr = ::VariantChangeType(number.get(), result.get(), 0, VT_I4);
  if (SUCCEEDED(hr)) count = V_I4(number.get());
  return hr;
}

}  // namespace e2e_tool
