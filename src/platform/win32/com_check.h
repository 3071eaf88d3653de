#pragma once

#include <windows.h>

#include <source_location>
#include <string>

namespace pagemind::platform::win32 {

// Every COM call of the platform checks its result here. A failure is written where a developer
// looks (OutputDebugStringW: a debugger, DebugView, Wine's debug channel) and nowhere a user
// would see it, since the callers already carry on without the result.
// True when `result` is a failure.
bool ComFailed(HRESULT result, std::source_location where = std::source_location::current());

// The line ComFailed writes: the call's file, line and function, and the HRESULT in hex.
[[nodiscard]] std::wstring ComFailureLine(HRESULT result, const std::source_location& where);

}  // namespace pagemind::platform::win32
