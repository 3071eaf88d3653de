#pragma once

#include <windows.h>

#include <string>

#include "platform/ui.h"
#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {

// Japanese faces to use when the one asked for is not installed, best first. "MS UI Gothic"
// and "Meiryo" ship with Japanese Windows; the IPA faces are what Wine has on a Linux system
// with Japanese fonts.
inline constexpr const wchar_t* kJapaneseFallbackFaces[] = {L"MS UI Gothic", L"Meiryo",
                                                            L"IPAPGothic", L"IPAGothic"};

// Whether a face is installed; with SHIFTJIS_CHARSET, whether it is installed with Japanese.
[[nodiscard]] bool FaceInstalled(const std::wstring& face, BYTE charSet);

// The first installed Japanese face of kJapaneseFallbackFaces, or an empty name (the font
// mapper then picks any face that has SHIFTJIS_CHARSET).
[[nodiscard]] std::wstring FallbackJapaneseFace();

// The font a control asked for, at a DPI. A face that is not installed becomes a Japanese
// fallback face; the result never lacks Japanese characters unless the designer named an
// installed face that has none.
[[nodiscard]] UniqueFont CreateDesignerFont(const Font& font, UINT dpi);

// The system's message-box font at a DPI, for controls without a font of their own. When that
// face cannot show Japanese (a non-Japanese system), a Japanese face of the same size instead.
[[nodiscard]] UniqueFont CreateMessageFont(UINT dpi, bool bold = false);

}  // namespace pagemind::platform::win32
