#include "platform/win32/com_shell.h"

#include <exdisp.h>
#include <oleauto.h>
#include <shellapi.h>
#include <windows.h>
#include <wrl/client.h>

#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

using Microsoft::WRL::ComPtr;

// A BSTR that a COM call handed over; freed once.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text)
      : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* out() { return &value_; }
  [[nodiscard]] BSTR get() const { return value_; }
  [[nodiscard]] std::string Utf8() const {
    return value_ ? Narrow(std::wstring_view(value_, ::SysStringLen(value_))) : std::string();
  }

 private:
  BSTR value_ = nullptr;
};

// A VARIANT cleared when it goes.
class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

class ComBrowser final : public Browser {
 public:
  explicit ComBrowser(ComPtr<IWebBrowser2> browser) : browser_(std::move(browser)) {}

  std::optional<std::string> LocationUrl() override {
    Bstr url;
    if (FAILED(browser_->get_LocationURL(url.out()))) return std::nullopt;
    return url.Utf8();
  }

  std::optional<std::string> LocationName() override {
    Bstr name;
    if (FAILED(browser_->get_LocationName(name.out()))) return std::nullopt;
    return name.Utf8();
  }

  bool Navigate(std::string_view address) override {
    Variant url;
    V_VT(url.get()) = VT_BSTR;
    V_BSTR(url.get()) = ::SysAllocString(Widen(address).c_str());
    if (V_BSTR(url.get()) == nullptr) return false;
    // Flags, target frame, post data and headers are left out, as empty variants.
    Variant flags;
    Variant frame;
    Variant postData;
    Variant headers;
    return SUCCEEDED(
        browser_->Navigate2(url.get(), flags.get(), frame.get(), postData.get(), headers.get()));
  }

  bool SetVisible(bool visible) override {
    return SUCCEEDED(browser_->put_Visible(visible ? VARIANT_TRUE : VARIANT_FALSE));
  }

  void Quit() override { (void)browser_->Quit(); }

 private:
  ComPtr<IWebBrowser2> browser_;
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
    VARIANT position;
    ::VariantInit(&position);
    V_VT(&position) = VT_I4;
    V_I4(&position) = index;
    ComPtr<IDispatch> item;
    if (Failed(windows_->Item(position, item.GetAddressOf()))) return std::nullopt;
    // Beyond the last window the collection answers with no object, not with an error.
    if (!item) return std::unique_ptr<Browser>();
    ComPtr<IWebBrowser2> browser;
    if (FAILED(item.As(&browser)) || !browser) return std::nullopt;
    return std::make_unique<ComBrowser>(std::move(browser));
  }

 private:
  // Notes whether a failure means the serving process is gone.
  bool Failed(HRESULT result) {
    if (SUCCEEDED(result)) return false;
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
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                  IID_PPV_ARGS(windows.GetAddressOf())))) {
      return nullptr;
    }
    return std::make_unique<ComWindowList>(std::move(windows));
  }

  std::unique_ptr<Browser> CreateBrowser() override {
    ComPtr<IWebBrowser2> browser;
    if (FAILED(::CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_PPV_ARGS(browser.GetAddressOf())))) {
      return nullptr;
    }
    return std::make_unique<ComBrowser>(std::move(browser));
  }

  bool OpenWithShell(std::string_view target) override {
    const auto result =
        ::ShellExecuteW(nullptr, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // ShellExecuteW reports success as a value above 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
  }
};

}  // namespace

std::unique_ptr<Shell> MakeComShell() {
  return std::make_unique<ComShell>();
}

}  // namespace pagemind::platform::win32
