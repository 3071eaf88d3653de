#include <gtest/gtest.h>

#include "common/version.h"

namespace pagemind {
namespace {

TEST(VersionTexts, LabelJoinsMinorAndRevisionWhileTipKeepsThreeParts) {
  EXPECT_EQ(VersionLabel({1, 0, 0}), "Ver:1.00");
  EXPECT_EQ(VersionLabel({1, 2, 13}), "Ver:1.213");
  EXPECT_EQ(VersionLabel({2, 1, 5}), "Ver:2.15");
  EXPECT_EQ(VersionLabel({1, 10, 3}), "Ver:1.103");
  EXPECT_EQ(TrayTipText({1, 0, 0}), "Pagemind 1.0.0");
  EXPECT_EQ(TrayTipText({1, 10, 3}), "Pagemind 1.10.3");
}

}  // namespace
}  // namespace pagemind
