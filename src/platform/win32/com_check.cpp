#include "platform/win32/com_check.h"

#include <cstdio>
#include <string_view>

#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

// The file without its folders: the build's absolute paths say nothing on another machine.
std::string_view FileName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The function's qualified name without its return type and parameters, which g++ spells out
// in full.
std::string_view FunctionName(std::string_view signature) {
  const auto open = signature.find('(');
  if (open != std::string_view::npos && open > 0) signature = signature.substr(0, open);
  const auto space = signature.find_last_of(' ');
  return space == std::string_view::npos ? signature : signature.substr(space + 1);
}

}  // namespace

std::wstring ComFailureLine(HRESULT result, const std::source_location& where) {
  wchar_t code[16] = {};
  std::swprintf(code, std::size(code), L"0x%08lX", static_cast<unsigned long>(result));
  std::wstring line = L"Pagemind: COM call failed with HRESULT ";
  line += code;
  line += L" at ";
  line += Widen(FileName(where.file_name()));
  line += L':';
  line += std::to_wstring(where.line());
  line += L" (";
  line += Widen(FunctionName(where.function_name()));
  line += L")\n";
  return line;
}

bool ComFailed(HRESULT result, std::source_location where) {
  if (SUCCEEDED(result)) return false;
  ::OutputDebugStringW(ComFailureLine(result, where).c_str());
  return true;
}

}  // namespace pagemind::platform::win32
