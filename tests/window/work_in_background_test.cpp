#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <cerrno>
#include <string>

#include "platform/error.h"
#include "tests/window/window_harness.h"
#include "window/work_in_background.h"

namespace tolvane::testing {
namespace {

TEST(WorkInBackground, TheWorkRunsOnAnotherThreadWhileTheWindowsThreadHandlesEvents) {
  const auto [ranElsewhere, windowAnswered] = WorkInBackground([] {
    const bool elsewhere = QThread::currentThread() != qApp->thread();
    return std::pair{elsewhere, WindowThreadAnswers()};
  });
  EXPECT_TRUE(ranElsewhere);
  EXPECT_TRUE(windowAnswered);
}

TEST(WorkInBackground, GivesBackTheResultOrRaisesTheWorksError) {
  EXPECT_EQ(WorkInBackground([] { return std::string("done"); }), "done");
  try {
    WorkInBackground([]() -> int { throw Error::FromErrno(ENOENT, "/gone"); });
    FAIL() << "the error of the work was lost";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), ErrorNumber::FileNotFound);
  }
}

}  // namespace
}  // namespace tolvane::testing
