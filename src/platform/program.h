#pragma once

#include <filesystem>

#include "common/version.h"

namespace pagemind::platform {

// The running program's own facts.
class ProgramFacts {
 public:
  virtual ~ProgramFacts() = default;
  // True when another instance of Pagemind already runs. The first caller in a process claims
  // the instance for the rest of the process's life.
  [[nodiscard]] virtual bool AnotherInstanceRunning() = 0;
  // The folder that holds the executable.
  [[nodiscard]] virtual std::filesystem::path Folder() const = 0;
  // The executable's own full path.
  [[nodiscard]] virtual std::filesystem::path ExecutablePath() const = 0;
  [[nodiscard]] virtual Version ProgramVersion() const = 0;
  // Ends the process at once: windows still loaded are destroyed without their handlers running.
  // Does not return on Windows; the headless stand-in records it and returns, so callers return
  // straight after calling it.
  virtual void EndProcess() = 0;
};

}  // namespace pagemind::platform
