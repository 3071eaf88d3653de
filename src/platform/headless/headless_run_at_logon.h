#pragma once

#include <map>
#include <string>

#include "platform/headless/journal.h"
#include "platform/headless/no_case.h"
#include "platform/run_at_logon.h"

namespace pagemind::platform::headless {

// The Run key in memory. Value names match without regard to ASCII case, as registry names do.
// A test sets an error to make the next reads, writes or removals fail with it.
class HeadlessRunAtLogon final : public RunAtLogon {
 public:
  explicit HeadlessRunAtLogon(Journal& journal) : journal_(journal) {}

  std::optional<std::string> Read(std::string_view name, std::error_code& error) override;
  std::error_code Write(std::string_view name, std::string_view data) override;
  std::error_code Remove(std::string_view name) override;

  std::map<std::string, std::string, NoCaseLess> values;
  std::error_code readError;
  std::error_code writeError;
  std::error_code removeError;

 private:
  Journal& journal_;
};

}  // namespace pagemind::platform::headless
