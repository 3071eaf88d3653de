// The program's entry on Windows.
#include "app/application.h"
#include "platform/win32/native_host.h"

int main() {
  pagemind::platform::win32::NativeHost host;
  pagemind::app::Application application(host.ports());
  application.Start();
  return host.RunMessageLoop();
}
