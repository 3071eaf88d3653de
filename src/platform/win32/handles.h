#pragma once

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace pagemind::platform::win32 {

// One owner for every kind of Win32 handle: the traits say what "no handle" is and how a handle
// is given back. Move-only, so a handle has exactly one owner and is released exactly once.
template <typename Traits>
class Unique {
 public:
  using Handle = typename Traits::Handle;

  Unique() noexcept = default;
  explicit Unique(Handle handle) noexcept : handle_(handle) {}
  ~Unique() { reset(); }

  Unique(Unique&& other) noexcept : handle_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  [[nodiscard]] Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

  Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  // For a call that hands a new handle over through an out parameter: whatever was held goes
  // first.
  [[nodiscard]] Handle* put() noexcept {
    reset();
    return &handle_;
  }
  void reset(Handle handle = Traits::Invalid()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE, not as a null handle.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

// FindFirstFileExW reports failure as INVALID_HANDLE_VALUE; its handle goes back by FindClose.
struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { ::FindClose(h); }
};

struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DestroyWindow(h); }
};

template <typename GdiHandle>
struct GdiObjectTraits {
  using Handle = GdiHandle;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

// Only for icons the program loaded as its own copies (LoadImageW without LR_SHARED); shared
// icons must never be destroyed and are held as plain HICON values.
struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};

struct MenuTraits {
  using Handle = HMENU;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DestroyMenu(h); }
};

// Memory that a system function allocated for the caller (FormatMessageW with
// FORMAT_MESSAGE_ALLOCATE_BUFFER).
struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::LocalFree(h); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::FreeLibrary(h); }
};

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};

// A string that COM allocated (SysAllocString*), or that a COM call handed over.
struct BstrTraits {
  using Handle = BSTR;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::SysFreeString(h); }
};

// Memory that a COM or shell function allocated for the caller (SHGetKnownFolderPath).
struct CoTaskMemoryTraits {
  using Handle = void*;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::CoTaskMemFree(h); }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueFont = Unique<GdiObjectTraits<HFONT>>;
using UniqueBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniquePen = Unique<GdiObjectTraits<HPEN>>;
using UniqueIcon = Unique<IconTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueLocalMemory = Unique<LocalMemoryTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueBstr = Unique<BstrTraits>;
using UniqueRegistryKey = Unique<RegistryKeyTraits>;
using UniqueCoTaskMemory = Unique<CoTaskMemoryTraits>;

// A BSTR copy of `text`; empty when the system is out of memory.
[[nodiscard]] inline UniqueBstr MakeBstr(std::wstring_view text) {
  return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// A VARIANT, initialised empty and cleared (with whatever it then holds) when it goes.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { ::VariantInit(&value_); }
  ~UniqueVariant() { ::VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  [[nodiscard]] VARIANT* get() noexcept { return &value_; }

 private:
  VARIANT value_;
};

// Selects a GDI object into a device context for one scope and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectedObject() { ::SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A window's device context for one scope (GetDC/ReleaseDC).
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  [[nodiscard]] HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
  ~PaintScope() { ::EndPaint(window_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  [[nodiscard]] HDC dc() const noexcept { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

}  // namespace pagemind::platform::win32
