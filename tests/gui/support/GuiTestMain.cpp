// Runs the window tests on the editor's application object under the
// offscreen platform, so they need no display.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/gui/GuardedApplication.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  zorv::gui::GuardedApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
