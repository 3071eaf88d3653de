#include "platform/win32/running_program.h"

#include <utility>

#include "version_config.h"

namespace pagemind::platform::win32 {

RunningProgram::RunningProgram(std::wstring instanceMutexName)
    : instanceMutexName_(std::move(instanceMutexName)) {}

bool RunningProgram::AnotherInstanceRunning() {
  if (instanceChecked_) return anotherInstance_;
  instanceChecked_ = true;
  instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, instanceMutexName_.c_str()));
  const DWORD error = ::GetLastError();
  // ERROR_ACCESS_DENIED: the mutex exists but was made by a process we may not open, which is
  // still another instance in this session.
  anotherInstance_ =
      error == ERROR_ALREADY_EXISTS || (!instanceMutex_ && error == ERROR_ACCESS_DENIED);
  if (anotherInstance_) instanceMutex_.reset();
  return anotherInstance_;
}

std::filesystem::path ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return {};
    // A full buffer means the path was cut short (the error code for that differs between
    // Windows versions, the length does not).
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    if (size >= 32768) return {};
    buffer.resize(static_cast<std::size_t>(size) * 2);
  }
}

std::filesystem::path RunningProgram::Folder() const {
  // parent_path keeps the backslash of a drive root ("C:\") and drops it everywhere else.
  return win32::ExecutablePath().parent_path();
}

std::filesystem::path RunningProgram::ExecutablePath() const {
  return win32::ExecutablePath();
}

Version RunningProgram::ProgramVersion() const {
  return {PAGEMIND_VERSION_MAJOR, PAGEMIND_VERSION_MINOR, PAGEMIND_VERSION_REVISION};
}

void RunningProgram::EndProcess() {
  ::ExitProcess(0);
}

}  // namespace pagemind::platform::win32
