#include "platform/win32/pictures.h"

#include "platform/win32/resource_ids.h"

namespace pagemind::platform::win32 {

HINSTANCE ProgramModule() {
  return ::GetModuleHandleW(nullptr);
}

UniqueIcon LoadPicture(Picture picture, int size) {
  if (picture == Picture::kNone || size <= 0) return {};
  const bool warning = picture == Picture::kWarningIcon;
  const int resource = warning ? PAGEMIND_ICON_WARNING : PAGEMIND_ICON_PROGRAM;
  // Without LR_SHARED: a copy of our own at exactly this size, which DestroyIcon may free.
  auto* icon = static_cast<HICON>(::LoadImageW(ProgramModule(), MAKEINTRESOURCEW(resource),
                                               IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (icon == nullptr) {
    icon = static_cast<HICON>(::LoadImageW(nullptr, warning ? IDI_WARNING : IDI_APPLICATION,
                                           IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  }
  return UniqueIcon(icon);
}

}  // namespace pagemind::platform::win32
