#include "platform/headless/headless_notify_area.h"

#include <stdexcept>

namespace pagemind::platform::headless {

class HeadlessNotifyIcon final : public NotifyIcon {
 public:
  HeadlessNotifyIcon(HeadlessNotifyArea& area, NotifyIconEvents& events)
      : area_(area), events_(events) {}
  ~HeadlessNotifyIcon() override {
    if (shown_) HeadlessNotifyIcon::Remove();
  }
  HeadlessNotifyIcon(const HeadlessNotifyIcon&) = delete;
  HeadlessNotifyIcon& operator=(const HeadlessNotifyIcon&) = delete;

  void Show(std::string_view tip) override {
    area_.journal_.Record("tray add");
    if (shown_) return;
    area_.icons.push_back({this, &events_, std::string(tip), {}});
    shown_ = true;
  }

  void Remove() override {
    area_.journal_.Record("tray delete");
    std::erase_if(area_.icons,
                  [this](const HeadlessNotifyArea::Icon& i) { return i.icon == this; });
    shown_ = false;
  }

  void ShowBalloon(std::string_view title, std::string_view text) override {
    if (!shown_) return;
    area_.journal_.Record("tray balloon");
    for (auto& icon : area_.icons) {
      if (icon.icon == this) icon.balloons.push_back({std::string(title), std::string(text)});
    }
  }

  [[nodiscard]] bool shown() const override { return shown_; }

 private:
  HeadlessNotifyArea& area_;
  NotifyIconEvents& events_;
  bool shown_ = false;
};

std::unique_ptr<NotifyIcon> HeadlessNotifyArea::CreateIcon(NotifyIconEvents& events) {
  return std::make_unique<HeadlessNotifyIcon>(*this, events);
}

NotifyIconEvents& HeadlessNotifyArea::FirstIcon() const {
  if (icons.empty()) throw std::logic_error("no icon in the notification area");
  return *icons.front().events;
}

void HeadlessNotifyArea::DoubleClick() {
  NotifyIconEvents& events = FirstIcon();
  ui_.Deliver([&events] { events.OnIconDoubleClick(); });
}

void HeadlessNotifyArea::ClickBalloon() {
  NotifyIconEvents& events = FirstIcon();
  if (icons.front().balloons.empty()) throw std::logic_error("no balloon to click");
  ui_.Deliver([&events] { events.OnBalloonClick(); });
}

void HeadlessNotifyArea::RightClick() {
  NotifyIconEvents& events = FirstIcon();
  ui_.Deliver([&events] { events.OnIconMenuRequested(); });
}

}  // namespace pagemind::platform::headless
