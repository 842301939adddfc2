#include <gtest/gtest.h>

#include <QApplication>

#include "window/application.h"

// The window needs a QApplication before any test runs, and one without a display when none
// is there: test discovery runs this program too, outside ctest's environment.
int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  tolvane::SetUpApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
