#include "app/access_log_entries.h"

namespace pagemind::app {

void WriteToAccessLog(access_log::AccessLog& log, const pages::PollerView& view) {
  if (view.visited) log.RecordVisit(view.visited->address, view.visited->title);
  if (view.steppedOver) log.RecordSteppedOver(*view.steppedOver);
  if (view.restartedAfterEmpty) log.Clear();
  // After the wrap, so that the line stays until the next one.
  if (view.gaveUpOn) log.RecordGaveUp(*view.gaveUpOn);
}

}  // namespace pagemind::app
