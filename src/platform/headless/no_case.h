#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace pagemind::platform::headless {

// Orders names without regard to ASCII case, as Windows compares registry and file names.
struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) <
             std::tolower(static_cast<unsigned char>(y));
    });
  }
};

}  // namespace pagemind::platform::headless
