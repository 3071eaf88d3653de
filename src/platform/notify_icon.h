#pragma once

#include <memory>
#include <string_view>

namespace pagemind::platform {

// What the user does with the program's notification-area icon.
class NotifyIconEvents {
 public:
  virtual void OnIconDoubleClick() = 0;
  // The user asks for the icon's menu (the right mouse button).
  virtual void OnIconMenuRequested() = 0;
  // The user clicked the icon's balloon; closing it or letting it time out raises nothing.
  virtual void OnBalloonClick() = 0;

 protected:
  ~NotifyIconEvents() = default;
};

// The program's icon in the notification area. Once shown it stays until removed: it comes back
// by itself when the shell's taskbar starts again, and an add the shell refuses is offered
// again until the shell takes it. Destroying the object removes the icon.
class NotifyIcon {
 public:
  virtual ~NotifyIcon() = default;
  // Adds the icon with its tip (UTF-8; the platform cuts it to what the shell holds).
  virtual void Show(std::string_view tip) = 0;
  virtual void Remove() = 0;
  // A balloon notification beside the shown icon, with an information icon; the text may hold
  // line breaks ("\n"). Ignored while the shell does not hold the icon. The tip stays as it is.
  virtual void ShowBalloon(std::string_view title, std::string_view text) = 0;
  // True while the shell holds the icon.
  [[nodiscard]] virtual bool shown() const = 0;
};

class NotifyArea {
 public:
  virtual ~NotifyArea() = default;
  // A new icon, not yet shown; its events reach `events` until the icon is destroyed.
  virtual std::unique_ptr<NotifyIcon> CreateIcon(NotifyIconEvents& events) = 0;
};

}  // namespace pagemind::platform
