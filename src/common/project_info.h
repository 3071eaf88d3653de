#pragma once

#include "version_config.h"

namespace pagemind {

// Who makes Pagemind and where users reach them; the about window shows these and opens
// exactly what it shows. They are build options (PAGEMIND_AUTHOR, PAGEMIND_SUPPORT_WEB,
// PAGEMIND_SUPPORT_MAIL); keep them short, the labels that show them are narrow.
inline constexpr const char* kAuthor = PAGEMIND_AUTHOR;
inline constexpr const char* kSupportWebAddress = PAGEMIND_SUPPORT_WEB;
inline constexpr const char* kSupportMailAddress = PAGEMIND_SUPPORT_MAIL;

}  // namespace pagemind
