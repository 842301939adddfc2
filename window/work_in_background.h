#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <future>
#include <type_traits>
#include <utility>

#include "window/held_user_input.h"

namespace tolvane {

// How often the window paints while it waits for work in the background.
inline constexpr std::chrono::milliseconds kPaintInterval{15};

// Runs `work` on a thread of its own and returns its result, or raises what it raised.
// Meanwhile the window goes on painting, but the user's input waits until the work is done:
// no handler may change what the work reads, and every click keeps its place in line.
// The work may read what the window paints from, never change it.
template <typename Work>
std::invoke_result_t<Work> WorkInBackground(Work&& work) {
  const HeldUserInput held;
  auto result = std::async(std::launch::async, std::forward<Work>(work));
  while (result.wait_for(kPaintInterval) != std::future_status::ready) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  return result.get();
}

}  // namespace tolvane
