#include "platform/headless/headless_run_at_logon.h"

namespace pagemind::platform::headless {

std::optional<std::string> HeadlessRunAtLogon::Read(std::string_view name, std::error_code& error) {
  journal_.Record("run key read " + std::string(name));
  error = readError;
  if (error) return std::nullopt;
  const auto found = values.find(std::string(name));
  if (found == values.end()) return std::nullopt;
  return found->second;
}

std::error_code HeadlessRunAtLogon::Write(std::string_view name, std::string_view data) {
  journal_.Record("run key write " + std::string(name) + "=" + std::string(data));
  if (writeError) return writeError;
  values[std::string(name)] = std::string(data);
  return {};
}

std::error_code HeadlessRunAtLogon::Remove(std::string_view name) {
  journal_.Record("run key remove " + std::string(name));
  if (removeError) return removeError;
  values.erase(std::string(name));
  return {};
}

}  // namespace pagemind::platform::headless
