#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <functional>
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
// Input that `passes` lets through is handled at once, and `eachInterval` runs between
// paints, to show how far the work has come.
template <typename Work>
std::invoke_result_t<Work> WorkInBackground(Work&& work, HeldUserInput::Passes passes = {},
                                            const std::function<void()>& eachInterval = {}) {
  const HeldUserInput held(passes);
  auto result = std::async(std::launch::async, std::forward<Work>(work));
  while (result.wait_for(kPaintInterval) != std::future_status::ready) {
    if (eachInterval) eachInterval();
    // Input let through must first be taken from the window system; the rest is held.
    QCoreApplication::processEvents(passes ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
  }
  return result.get();
}

}  // namespace tolvane
