#include "platform/win32/fonts.h"

#include <cwchar>
#include <optional>

#include "platform/win32/dpi.h"
#include "platform/win32/layout.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one match answers the question
}

void CopyFace(LOGFONTW& font, const std::wstring& face) {
  std::wmemset(font.lfFaceName, L'\0', LF_FACESIZE);
  face.copy(font.lfFaceName, LF_FACESIZE - 1);
}

}  // namespace

bool FaceInstalled(const std::wstring& face, BYTE charSet) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW query{};
  query.lfCharSet = charSet;
  CopyFace(query, face);
  const WindowDc screen(nullptr);
  if (screen.get() == nullptr) return false;
  bool found = false;
  ::EnumFontFamiliesExW(screen.get(), &query, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

std::wstring FallbackJapaneseFace() {
  for (const wchar_t* face : kJapaneseFallbackFaces) {
    if (FaceInstalled(face, SHIFTJIS_CHARSET)) return face;
  }
  return {};
}

UniqueFont CreateDesignerFont(const Font& font, UINT dpi) {
  std::wstring face = Widen(font.face);
  BYTE charSet = SHIFTJIS_CHARSET;
  if (!FaceInstalled(face, SHIFTJIS_CHARSET)) {
    if (FaceInstalled(face, DEFAULT_CHARSET)) {
      // Installed without Japanese: the designer's choice stands. Asking for SHIFTJIS_CHARSET
      // would make the font mapper swap it for another face.
      charSet = DEFAULT_CHARSET;
    } else {
      face = FallbackJapaneseFace();
    }
  }
  LOGFONTW layout{};
  layout.lfHeight = FontHeight(font.points, dpi);
  layout.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  layout.lfItalic = font.italic ? TRUE : FALSE;
  layout.lfUnderline = font.underline ? TRUE : FALSE;
  layout.lfCharSet = charSet;
  layout.lfOutPrecision = OUT_DEFAULT_PRECIS;
  layout.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  layout.lfQuality = DEFAULT_QUALITY;
  layout.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  CopyFace(layout, face);
  return UniqueFont(::CreateFontIndirectW(&layout));
}

UniqueFont CreateMessageFont(UINT dpi, bool bold) {
  const std::optional<LOGFONTW> messageFont = MessageFontForDpi(dpi);
  if (!messageFont) return CreateDesignerFont(Font{.face = {}, .points = 9, .bold = bold}, dpi);
  LOGFONTW layout = *messageFont;
  if (bold) layout.lfWeight = FW_BOLD;
  if (!FaceInstalled(layout.lfFaceName, SHIFTJIS_CHARSET)) {
    CopyFace(layout, FallbackJapaneseFace());
    layout.lfCharSet = SHIFTJIS_CHARSET;
  }
  return UniqueFont(::CreateFontIndirectW(&layout));
}

}  // namespace pagemind::platform::win32
