#include "objects.h"

#include <oleauto.h>

#include <algorithm>
#include <string>

#include "com_util.h"
#include "standin_ids.h"

namespace standin {

// --- TypeInfo ---------------------------------------------------------------------------------

TypeInfo::TypeInfo(REFIID iid) {
  ComPtr<ITypeLib> library;
  if (SUCCEEDED(::LoadRegTypeLib(kShDocVwTypeLib, 1, 1, LOCALE_NEUTRAL, &library))) {
    library->GetTypeInfoOfGuid(iid, &info_);
  }
}

HRESULT TypeInfo::GetTypeInfoCount(UINT* count) const {
  if (count == nullptr) return E_POINTER;
  *count = info_ ? 1 : 0;
  return S_OK;
}

HRESULT TypeInfo::GetTypeInfo(UINT index, ITypeInfo** info) const {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (!info_) return E_NOTIMPL;
  if (index != 0) return DISP_E_BADINDEX;
  return info_.CopyTo(info);
}

HRESULT TypeInfo::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const {
  if (!info_) return E_NOTIMPL;
  return ::DispGetIDsOfNames(info_.Get(), names, count, ids);
}

HRESULT TypeInfo::Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* badArgument) const {
  if (!info_) return E_NOTIMPL;
  return ::DispInvoke(object, info_.Get(), id, flags, params, result, exception, badArgument);
}

namespace {

const TypeInfo& BrowserTypeInfo() {
  static const TypeInfo info(IID_IWebBrowser2);
  return info;
}

const TypeInfo& CollectionTypeInfo() {
  static const TypeInfo info(IID_IShellWindows);
  return info;
}

}  // namespace

// --- BrowserView ------------------------------------------------------------------------------

BrowserView::BrowserView(ComPtr<IWebBrowser2> browser, HWND frame)
    : browser_(std::move(browser)), frame_(frame) {
  ServerHold();
}

BrowserView::~BrowserView() {
  if (folder() && frame_ != nullptr) ::DestroyWindow(frame_);
  ServerLetGo();
}

namespace {

// File Explorer's top-level class: what clients ask of a window to tell a folder from a browser.
constexpr wchar_t kFolderClass[] = L"CabinetWClass";

bool RegisterFolderClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kFolderClass;
    return ::RegisterClassExW(&windowClass) != 0;
  }();
  return registered;
}

// The last path element of a file: address, as File Explorer titles its window.
std::wstring FolderName(const std::wstring& address) {
  std::wstring path = address;
  while (!path.empty() && (path.back() == L'/' || path.back() == L'\\')) path.pop_back();
  const size_t slash = path.find_last_of(L"/\\");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

HRESULT BrowserView::OpenFolder(const std::wstring& address, ComPtr<BrowserView>& view) {
  if (address.rfind(L"file:", 0) != 0) return E_INVALIDARG;
  if (!RegisterFolderClass()) return HRESULT_FROM_WIN32(::GetLastError());
  const HWND window =
      ::CreateWindowExW(0, kFolderClass, FolderName(address).c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                        320, 200, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return HRESULT_FROM_WIN32(::GetLastError());
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  // Adopted through its address: MinGW-w64's ComPtr::Attach adds a reference.
  *view.ReleaseAndGetAddressOf() = new BrowserView(nullptr, window);
  view->folderAddress_ = address;
  return S_OK;
}

HRESULT BrowserView::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser ||
      iid == IID_IWebBrowserApp || iid == IID_IWebBrowser2) {
    *object = static_cast<IWebBrowser2*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG BrowserView::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

ULONG BrowserView::Release() {
  const LONG refs = ::InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

HRESULT BrowserView::GetTypeInfoCount(UINT* count) {
  return BrowserTypeInfo().GetTypeInfoCount(count);
}

HRESULT BrowserView::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  return BrowserTypeInfo().GetTypeInfo(index, info);
}

HRESULT BrowserView::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return BrowserTypeInfo().GetIDsOfNames(names, count, ids);
}

HRESULT BrowserView::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* exception, UINT* badArgument) {
  return BrowserTypeInfo().Invoke(static_cast<IWebBrowser2*>(this), id, flags, params, result,
                                  exception, badArgument);
}

HRESULT BrowserView::get_LocationURL(BSTR* url) {
  if (url == nullptr) return E_POINTER;
  if (folder()) {
    *url = Bstr(folderAddress_).release();
    return *url != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  return browser_->get_LocationURL(url);
}

HRESULT BrowserView::get_FullName(BSTR* name) {
  if (name == nullptr) return E_POINTER;
  *name = nullptr;
  if (!folder()) return browser_->get_FullName(name);
  *name = Bstr(L"C:\\windows\\explorer.exe").release();
  return *name != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT BrowserView::get_LocationName(BSTR* name) {
  if (name == nullptr) return E_POINTER;
  *name = nullptr;
  const HRESULT hr = folder() ? E_NOTIMPL : browser_->get_LocationName(name);
  if (hr != E_NOTIMPL || frame_ == nullptr) return hr;
  // The caption is read from the window server, so a hung browser cannot hang the caller.
  const int length = ::GetWindowTextLengthW(frame_);
  std::wstring title(static_cast<size_t>(length) + 1, L'\0');
  title.resize(static_cast<size_t>(::GetWindowTextW(frame_, title.data(), length + 1)));
  if (title.empty() && !::IsWindow(frame_)) return HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE);
  *name = Bstr(title).release();
  return *name != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT BrowserView::get_HWND(SHANDLE_PTR* hwnd) {
  if (hwnd == nullptr) return E_POINTER;
  if (frame_ == nullptr) return browser_->get_HWND(hwnd);
  *hwnd = reinterpret_cast<SHANDLE_PTR>(frame_);
  return S_OK;
}

// --- WindowCollection -------------------------------------------------------------------------

WindowCollection& WindowCollection::Instance() {
  static WindowCollection collection;
  return collection;
}

HRESULT WindowCollection::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IShellWindows) {
    *object = static_cast<IShellWindows*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The collection lives as long as the process; its references only say whether a client still
// uses the server.
ULONG WindowCollection::AddRef() {
  ServerHold();
  return 2;
}

ULONG WindowCollection::Release() {
  ServerLetGo();
  return 1;
}

HRESULT WindowCollection::GetTypeInfoCount(UINT* count) {
  return CollectionTypeInfo().GetTypeInfoCount(count);
}

HRESULT WindowCollection::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  return CollectionTypeInfo().GetTypeInfo(index, info);
}

HRESULT WindowCollection::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return CollectionTypeInfo().GetIDsOfNames(names, count, ids);
}

HRESULT WindowCollection::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* exception, UINT* badArgument) {
  return CollectionTypeInfo().Invoke(static_cast<IShellWindows*>(this), id, flags, params, result,
                                     exception, badArgument);
}

HRESULT WindowCollection::get_Count(LONG* count) {
  if (count == nullptr) return E_POINTER;
  DropDeadWindows();
  *count = static_cast<LONG>(windows_.size());
  return S_OK;
}

HRESULT WindowCollection::Item(VARIANT index, IDispatch** folder) {
  if (folder == nullptr) return E_POINTER;
  *folder = nullptr;
  Variant position;
  if (FAILED(::VariantChangeType(position.get(), &index, 0, VT_I4))) return E_INVALIDARG;
  DropDeadWindows();
  const LONG at = V_I4(position.get());
  // Past the end the shell's collection answers S_FALSE with no object, and its clients rely on
  // that to tell "no window here" from a failure.
  if (at < 0 || static_cast<size_t>(at) >= windows_.size()) return S_FALSE;
  return windows_[static_cast<size_t>(at)].view.CopyTo(folder);
}

HRESULT WindowCollection::Register(IDispatch* browser, LONG hwnd, int, LONG* cookie) {
  if (browser == nullptr || cookie == nullptr) return E_POINTER;
  ComPtr<IWebBrowser2> webBrowser;
  const HRESULT hr = browser->QueryInterface(IID_PPV_ARGS(&webBrowser));
  if (FAILED(hr)) return hr;
  // The lookup above may have let another call in; the cookie is taken only now.
  // Adopted through its address: MinGW-w64's ComPtr::Attach adds a reference, unlike
  // Microsoft's, and the view would never be freed.
  ComPtr<BrowserView> view;
  *view.GetAddressOf() =
      new BrowserView(webBrowser, reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd)));
  *cookie = nextCookie_++;
  windows_.push_back({*cookie, std::move(webBrowser), std::move(view)});
  ServerHold();
  return S_OK;
}

HRESULT WindowCollection::RegisterPending(LONG, VARIANT* location, VARIANT*, int, LONG* cookie) {
  if (location == nullptr || cookie == nullptr) return E_POINTER;
  if (V_VT(location) != VT_BSTR || V_BSTR(location) == nullptr) return E_INVALIDARG;
  ComPtr<BrowserView> view;
  const HRESULT hr = BrowserView::OpenFolder(V_BSTR(location), view);
  if (FAILED(hr)) return hr;
  *cookie = nextCookie_++;
  windows_.push_back({*cookie, nullptr, std::move(view)});
  ServerHold();
  return S_OK;
}

HRESULT WindowCollection::Revoke(LONG cookie) {
  const auto window = Find(cookie);
  if (window == windows_.end()) return E_INVALIDARG;
  Erase(window);
  return S_OK;
}

void WindowCollection::Clear() {
  while (!windows_.empty()) Erase(windows_.end() - 1);
}

std::vector<WindowCollection::Window>::iterator WindowCollection::Find(LONG cookie) {
  return std::find_if(windows_.begin(), windows_.end(),
                      [cookie](const Window& w) { return w.cookie == cookie; });
}

void WindowCollection::Erase(std::vector<Window>::iterator window) {
  // Released after the list is consistent again: releasing a proxy is itself a call out.
  const ComPtr<IWebBrowser2> browser = std::move(window->browser);
  const ComPtr<BrowserView> view = std::move(window->view);
  windows_.erase(window);
  ServerLetGo();
}

void WindowCollection::DropDeadWindows() {
  // Asking a browser is a call out of this apartment, during which COM may deliver a Register or
  // Revoke from another client: the windows are therefore looked up by cookie after each call.
  std::vector<LONG> cookies;
  for (const Window& window : windows_) cookies.push_back(window.cookie);
  for (const LONG cookie : cookies) {
    auto window = Find(cookie);
    if (window == windows_.end()) continue;
    const HWND frame = window->view->frame();
    bool alive = frame == nullptr || ::IsWindow(frame);
    if (alive && window->browser) {
      const ComPtr<IWebBrowser2> browser = window->browser;
      SHANDLE_PTR ignored = 0;
      alive = !IsDisconnected(browser->get_HWND(&ignored));
      window = Find(cookie);
    }
    if (!alive && window != windows_.end()) Erase(window);
  }
}

}  // namespace standin
