// Names shared by the shell-window stand-in and the test tools that talk to it.
#pragma once

#include <windows.h>

namespace standin {

// The stand-in's own class. The test prefix points CLSID_ShellWindows at it with a TreatAs key,
// so CoCreateInstance(CLSID_ShellWindows) in any program of that prefix reaches the stand-in.
// {FAFCB26C-C335-4D90-8F4F-784C3C5CE04B}
inline constexpr CLSID kClsid = {
    0xfafcb26c, 0xc335, 0x4d90, {0x8f, 0x4f, 0x78, 0x4c, 0x3c, 0x5c, 0xe0, 0x4b}};

// Held by the stand-in that serves. Two clients that find no stand-in at the same moment each
// start one, and the second would then serve a list of its own.
inline constexpr wchar_t kServingMutex[] = L"Local\\PagemindShellWindowsStandinServing";

// Set by `browsers reregister` after rpcss was restarted: rpcss then no longer knows the
// stand-in's class registration, and the next CoCreateInstance would start a second, empty
// stand-in instead of reaching the running one.
inline constexpr wchar_t kReregisterEvent[] = L"Local\\PagemindShellWindowsStandinReregister";
// Set by the stand-in once it is registered again: until then a client's CoCreateInstance could
// still start that second stand-in, so `browsers reregister` waits for it.
inline constexpr wchar_t kReregisteredEvent[] = L"Local\\PagemindShellWindowsStandinReregistered";

// Microsoft Internet Controls (shdocvw/ieframe), which describes IShellWindows and IWebBrowser2;
// Wine registers it and marshals both interfaces through it.
// {EAB22AC0-30C1-11CF-A7EB-0000C05BAE0B}
inline constexpr GUID kShDocVwTypeLib = {
    0xeab22ac0, 0x30c1, 0x11cf, {0xa7, 0xeb, 0x00, 0x00, 0xc0, 0x5b, 0xae, 0x0b}};

}  // namespace standin
