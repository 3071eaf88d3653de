// shellwindows_standin.exe: a local COM server that stands in for the shell's collection of
// browser windows (CLSID_ShellWindows) in a Wine prefix, where the real one answers Count and Item
// with E_NOTIMPL and no browser ever registers itself. The test prefix sends CLSID_ShellWindows
// here through a TreatAs key; tests/e2e/tools/browsers.cpp opens browsers and registers them.
//
// One process serves every client (REGCLS_MULTIPLEUSE), so all programs of the prefix see one
// list. It ends once no client holds an object of it and no window is registered.
#include <windows.h>

#include <memory>

#include "com_util.h"
#include "objects.h"
#include "standin_ids.h"

namespace standin {

namespace {

using e2e_tool::Handle;

LONG g_holds = 0;

class CollectionFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is a static object that COM only borrows while it is registered.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return WindowCollection::Instance().QueryInterface(iid, object);
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? ServerHold() : ServerLetGo();
    return S_OK;
  }
};

// The class object's registration with COM, renewable after rpcss forgot it.
class ClassRegistration {
 public:
  explicit ClassRegistration(IClassFactory* factory) : factory_(factory) { Register(); }
  ~ClassRegistration() { Revoke(); }
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  [[nodiscard]] bool ok() const { return cookie_ != 0; }

  void Renew() {
    Revoke();
    Register();
  }

 private:
  void Register() {
    if (FAILED(::CoRegisterClassObject(kClsid, factory_, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                       &cookie_))) {
      cookie_ = 0;
    }
  }
  void Revoke() {
    if (cookie_ != 0) ::CoRevokeClassObject(cookie_);
    cookie_ = 0;
  }

  IClassFactory* factory_;
  DWORD cookie_ = 0;
};

// Whether this process is to serve: no other stand-in does, or the one that did ends within
// two seconds. One that steps aside leaves its client to the serving one: COM's activation
// keeps asking for the class until some process has registered it.
bool TakeServing(const Handle& serving, DWORD created) {
  if (!serving) return false;
  if (created != ERROR_ALREADY_EXISTS) return true;
  const DWORD waited = ::WaitForSingleObject(serving.get(), 2000);
  return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

int Serve() {
  // Owned until this process ends, when a waiting newcomer takes it over.
  const Handle serving(::CreateMutexW(nullptr, TRUE, kServingMutex));
  if (!TakeServing(serving, ::GetLastError())) return 0;
  ComApartment apartment;
  if (FAILED(apartment.status())) return 1;
  static CollectionFactory factory;
  ClassRegistration registration(&factory);
  if (!registration.ok()) return 1;
  const Handle reregister(::CreateEventW(nullptr, FALSE, FALSE, kReregisterEvent));
  const Handle reregistered(::CreateEventW(nullptr, FALSE, FALSE, kReregisteredEvent));
  HANDLE waits[] = {reregister.get()};
  const DWORD waitCount = reregister ? 1 : 0;
  int status = 0;
  for (bool running = true; running;) {
    const DWORD woken =
        ::MsgWaitForMultipleObjectsEx(waitCount, waits, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (waitCount == 1 && woken == WAIT_OBJECT_0) {
      registration.Renew();
      if (registration.ok() && reregistered) ::SetEvent(reregistered.get());
      continue;
    }
    // COM delivers the calls of this apartment as window messages.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        running = false;
        status = static_cast<int>(message.wParam);
        break;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  WindowCollection::Instance().Clear();
  return status;
}

}  // namespace

void ServerHold() {
  ++g_holds;
}

void ServerLetGo() {
  if (--g_holds == 0) ::PostQuitMessage(0);
}

}  // namespace standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return standin::Serve();
}
