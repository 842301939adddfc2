#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/error.h"
#include "window/work_in_background.h"

namespace tolvane {
namespace {

using namespace std::chrono_literals;

// Asks the window's thread to run something and waits a while for it to have run; true when
// it ran, which it can only do while that thread handles events.
bool WindowThreadAnswers() {
  std::atomic<bool> answered{false};
  QMetaObject::invokeMethod(qApp, [&answered] { answered = true; }, Qt::QueuedConnection);
  for (auto waited = 0ms; waited < 5s && !answered; waited += 5ms) std::this_thread::sleep_for(5ms);
  return answered;
}

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
    EXPECT_EQ(error.Number(), static_cast<int>(ErrorNumber::FileNotFound));
  }
}

}  // namespace
}  // namespace tolvane
