#include "platform/win32/escaped_exception.h"

#include <windows.h>

#include <exception>
#include <string>

#include "platform/ui.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

void ShowReport(std::string_view text) {
  const std::wstring line = L"Pagemind: " + Widen(text) + L"\n";
  ::OutputDebugStringW(line.c_str());
  static bool showing = false;
  if (showing) return;
  showing = true;
  const std::wstring body = WithWindowsLineBreaks(Widen(text));
  const std::wstring caption = Widen(kApplicationTitle);
  ::MessageBoxW(nullptr, body.c_str(), caption.c_str(),
                MB_OK | MB_ICONSTOP | MB_TASKMODAL | MB_SETFOREGROUND);
  showing = false;
}

EscapedExceptionSink sink = ShowReport;

// What the exception says, from inside the catch block that called the report.
std::string Description() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "(an exception of an unknown type)";
  }
}

}  // namespace

void ReportEscapedException(std::string_view where) noexcept {
  try {
    std::string text = "内部エラーのため、処理を中止しました (";
    text += where;
    text += ")。Pagemind は動作を続けます。\n\n";
    text += Description();
    sink(text);
  } catch (...) {
    // No memory for the text, say: the program goes on all the same.
    ::OutputDebugStringW(L"Pagemind: an exception could not be reported\n");
  }
}

EscapedExceptionSink SetEscapedExceptionSink(EscapedExceptionSink next) noexcept {
  const EscapedExceptionSink previous = sink;
  sink = next;
  return previous;
}

}  // namespace pagemind::platform::win32
