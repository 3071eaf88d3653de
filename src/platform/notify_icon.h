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
  // True while the shell holds the icon.
  [[nodiscard]] virtual bool shown() const = 0;
};

// Named NotifyIconArea beside the older platform/notify_area.h, whose NotifyArea it replaces.
class NotifyIconArea {
 public:
  virtual ~NotifyIconArea() = default;
  // A new icon, not yet shown; its events reach `events` until the icon is destroyed.
  virtual std::unique_ptr<NotifyIcon> CreateIcon(NotifyIconEvents& events) = 0;
};

}  // namespace pagemind::platform
