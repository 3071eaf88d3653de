#pragma once

#include <string_view>

namespace pagemind::platform::win32 {

// Where Windows calls into the program (a window procedure) or the program's own loop runs a
// posted command, an exception must not go further: unwinding through the system's frames
// ends the process, and with it the memory of every page. Those places catch everything and
// call this from their catch block: the exception is reported and the program goes on with
// the next message; what the handler had not done yet stays undone.
void ReportEscapedException(std::string_view where) noexcept;

// What the report does with its text (UTF-8): by default it is written to the debugger's
// output and shown in a message box, one box at a time (the box's own loop dispatches
// messages that may fail again). Tests put a recorder here; the previous sink is returned.
using EscapedExceptionSink = void (*)(std::string_view text);
EscapedExceptionSink SetEscapedExceptionSink(EscapedExceptionSink sink) noexcept;

}  // namespace pagemind::platform::win32
