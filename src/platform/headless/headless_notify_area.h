#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless_ui.h"
#include "platform/headless/journal.h"
#include "platform/notify_icon.h"

namespace pagemind::platform::headless {

// The notification area: the icons it shows, and what the user does to them, delivered as the
// shell's callbacks are.
class HeadlessNotifyArea final : public NotifyArea {
 public:
  HeadlessNotifyArea(Journal& journal, HeadlessUi& ui) : journal_(journal), ui_(ui) {}
  std::unique_ptr<NotifyIcon> CreateIcon(NotifyIconEvents& events) override;

  // The user acts on the first icon shown.
  void DoubleClick();
  void RightClick();
  // Clicks the balloon the first icon showed last; throws when it showed none.
  void ClickBalloon();

  struct Balloon {
    std::string title;
    std::string text;
  };

  struct Icon {
    const NotifyIcon* icon;
    NotifyIconEvents* events;
    std::string tip;
    // Every balloon the icon showed, in order; the shell shows only the last.
    std::vector<Balloon> balloons;
  };
  // The icons shown, in the order they were added.
  std::vector<Icon> icons;

 private:
  friend class HeadlessNotifyIcon;
  NotifyIconEvents& FirstIcon() const;

  Journal& journal_;
  HeadlessUi& ui_;
};

}  // namespace pagemind::platform::headless
