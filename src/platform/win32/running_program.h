#pragma once

#include <filesystem>
#include <string>

#include "platform/program.h"
#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {

// The process's own facts. The single-instance test holds a named mutex for as long as this
// object lives, which is the process's life in the shipped program.
class RunningProgram final : public ProgramFacts {
 public:
  // Local\ (this logon session): a second user on the same machine runs a Pagemind of their own.
  static constexpr const wchar_t* kInstanceMutexName = L"Local\\Pagemind.SingleInstance";

  explicit RunningProgram(std::wstring instanceMutexName = kInstanceMutexName);

  [[nodiscard]] bool AnotherInstanceRunning() override;
  [[nodiscard]] std::filesystem::path Folder() const override;
  [[nodiscard]] std::filesystem::path ExecutablePath() const override;
  [[nodiscard]] Version ProgramVersion() const override;
  [[noreturn]] void EndProcess() override;

 private:
  std::wstring instanceMutexName_;
  bool instanceChecked_ = false;
  bool anotherInstance_ = false;
  UniqueHandle instanceMutex_;
};

// The full path of the running executable, however long it is.
std::filesystem::path ExecutablePath();

}  // namespace pagemind::platform::win32
