#include "platform/win32/com_shell.h"

#include <exdisp.h>
#include <oleauto.h>
#include <shellapi.h>
#include <windows.h>
#include <wrl/client.h>

#include "platform/win32/com_check.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

using Microsoft::WRL::ComPtr;

std::string Utf8(const UniqueBstr& text) {
  const BSTR value = text.get();
  return value ? Narrow(std::wstring_view(value, ::SysStringLen(value))) : std::string();
}

class ComBrowser final : public Browser {
 public:
  explicit ComBrowser(ComPtr<IWebBrowser2> browser) : browser_(std::move(browser)) {}

  std::optional<std::string> LocationUrl() override {
    UniqueBstr url;
    if (ComFailed(browser_->get_LocationURL(url.put()))) return std::nullopt;
    return Utf8(url);
  }

  // Which program shows the window is told by its frame's window class: the file manager's
  // folder windows are CabinetWClass (ExploreWClass with the folder tree of older systems),
  // Internet Explorer's are IEFrame, on every system from Windows 7 on. The class is asked of
  // the window the shell names, not guessed from the address, which a folder shares with a
  // browser showing a local file. Where the window cannot be named, the container's program
  // (explorer.exe) tells it; where neither answers, the window counts as a browser's.
  WindowKind Kind() override {
    if (const HWND handle = FrameHandle()) {
      const HWND frame = ::GetAncestor(handle, GA_ROOT);
      wchar_t name[64] = {};
      if (frame != nullptr && ::GetClassNameW(frame, name, 64) > 0) {
        const std::wstring_view windowClass(name);
        return windowClass == L"CabinetWClass" || windowClass == L"ExploreWClass"
                   ? WindowKind::kFolder
                   : WindowKind::kBrowser;
      }
    }
    UniqueBstr program;
    if (ComFailed(browser_->get_FullName(program.put()))) return WindowKind::kBrowser;
    std::wstring path = Widen(Utf8(program));
    const auto slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) path.erase(0, slash + 1);
    return ::CompareStringOrdinal(path.c_str(), -1, L"explorer.exe", -1, TRUE) == CSTR_EQUAL
               ? WindowKind::kFolder
               : WindowKind::kBrowser;
  }

  std::uintptr_t WindowId() override { return reinterpret_cast<std::uintptr_t>(FrameHandle()); }

  std::optional<std::string> LocationName() override {
    UniqueBstr name;
    if (ComFailed(browser_->get_LocationName(name.put()))) return std::nullopt;
    return Utf8(name);
  }

  bool Navigate(std::string_view address) override {
    UniqueBstr text = MakeBstr(Widen(address));
    if (!text) return false;
    UniqueVariant url;
    V_VT(url.get()) = VT_BSTR;
    V_BSTR(url.get()) = text.release();  // the variant frees it now
    // Flags, target frame, post data and headers are left out, as empty variants.
    UniqueVariant flags;
    UniqueVariant frame;
    UniqueVariant postData;
    UniqueVariant headers;
    return !ComFailed(
        browser_->Navigate2(url.get(), flags.get(), frame.get(), postData.get(), headers.get()));
  }

  bool SetVisible(bool visible) override {
    return !ComFailed(browser_->put_Visible(visible ? VARIANT_TRUE : VARIANT_FALSE));
  }

  void Quit() override { (void)ComFailed(browser_->Quit()); }

 private:
  // The window the shell names for the browser, asked once: each question is a call into the
  // browser's process, and the poller asks for the kind and the name of every window it visits.
  HWND FrameHandle() {
    if (!frameAsked_) {
      frameAsked_ = true;
      SHANDLE_PTR handle = 0;
      if (!ComFailed(browser_->get_HWND(&handle))) frame_ = reinterpret_cast<HWND>(handle);
    }
    return frame_;
  }

  ComPtr<IWebBrowser2> browser_;
  HWND frame_ = nullptr;
  bool frameAsked_ = false;
};

class ComWindowList final : public BrowserWindowList {
 public:
  explicit ComWindowList(ComPtr<IShellWindows> windows) : windows_(std::move(windows)) {}

  std::optional<int> Count() override {
    long count = 0;
    if (Failed(windows_->get_Count(&count)) || count < 0) return std::nullopt;
    return static_cast<int>(count);
  }

  bool Lost() const override { return lost_; }

  std::optional<std::unique_ptr<Browser>> Item(int index) override {
    UniqueVariant position;
    V_VT(position.get()) = VT_I4;
    V_I4(position.get()) = index;
    ComPtr<IDispatch> item;
    if (Failed(windows_->Item(*position.get(), item.GetAddressOf()))) return std::nullopt;
    // Beyond the last window the collection answers with no object, not with an error.
    if (!item) return std::unique_ptr<Browser>();
    ComPtr<IWebBrowser2> browser;
    if (ComFailed(item.As(&browser)) || !browser) return std::nullopt;
    return std::make_unique<ComBrowser>(std::move(browser));
  }

 private:
  // Notes whether a failure means the serving process is gone.
  bool Failed(HRESULT result, std::source_location where = std::source_location::current()) {
    if (!ComFailed(result, where)) return false;
    switch (result) {
      case RPC_E_DISCONNECTED:
      case RPC_E_SERVER_DIED:
      case RPC_E_SERVER_DIED_DNE:
      case CO_E_OBJNOTCONNECTED:
      case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
      case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
        lost_ = true;
        break;
      default:
        break;
    }
    return true;
  }

  ComPtr<IShellWindows> windows_;
  bool lost_ = false;
};

class ComShell final : public Shell {
 public:
  std::unique_ptr<BrowserWindowList> CreateWindowList() override {
    ComPtr<IShellWindows> windows;
    if (ComFailed(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                     IID_PPV_ARGS(windows.GetAddressOf())))) {
      return nullptr;
    }
    return std::make_unique<ComWindowList>(std::move(windows));
  }

  std::unique_ptr<Browser> CreateBrowser() override {
    ComPtr<IWebBrowser2> browser;
    if (ComFailed(::CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                                     IID_PPV_ARGS(browser.GetAddressOf())))) {
      return nullptr;
    }
    return std::make_unique<ComBrowser>(std::move(browser));
  }

  bool OpenWithShell(std::string_view target, const std::filesystem::path& workingFolder) override {
    const std::wstring folder = workingFolder.wstring();
    const auto result = ::ShellExecuteW(nullptr, L"open", Widen(target).c_str(), nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL);
    // ShellExecuteW reports success as a value above 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
  }
};

}  // namespace

std::unique_ptr<Shell> MakeComShell() {
  return std::make_unique<ComShell>();
}

}  // namespace pagemind::platform::win32
