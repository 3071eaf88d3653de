#pragma once

#include "access_log/access_log.h"
#include "pages/poller.h"

namespace pagemind::app {

// Writes what one tick of the poller saw into the access log, in the order it saw it.
void WriteToAccessLog(access_log::AccessLog& log, const pages::PollerView& view);

}  // namespace pagemind::app
