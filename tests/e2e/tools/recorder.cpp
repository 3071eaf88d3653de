// Stands in for the program registered for web addresses in the test prefix: appends the
// arguments it was started with, exactly as the command line carried them, as one UTF-8 line to
// the file named by PM_RECORDER_LOG (a Windows path), so a test can compare them byte for byte.
#include <windows.h>

#include <string>

namespace {

// The command line after the program's own name, which Windows passes quoted or bare.
const wchar_t* ArgumentsOf(const wchar_t* line) {
  if (*line == L'"') {
    ++line;
    while (*line != L'\0' && *line != L'"') ++line;
    if (*line == L'"') ++line;
  } else {
    while (*line != L'\0' && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

}  // namespace

int main() {
  wchar_t path[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"PM_RECORDER_LOG", path, MAX_PATH) == 0) return 2;
  const std::string line = Utf8(ArgumentsOf(GetCommandLineW())) + "\n";
  // Appends whole lines only: two starts close together must not interleave their bytes.
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == line.size() ? 0 : 1;
}
