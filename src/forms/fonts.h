#pragma once

#include "platform/ui.h"

namespace pagemind {

// The Japanese proportional Gothic face the windows' designer chose for their stored fonts.
inline platform::Font PGothic(double points, bool bold = false, bool italic = false,
                              bool underline = false) {
  return platform::Font{.face = "ＭＳ Ｐゴシック",
                        .points = points,
                        .bold = bold,
                        .italic = italic,
                        .underline = underline};
}

}  // namespace pagemind
