#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <string_view>

#include "core/name_composer.h"

namespace tolvane::bench {

// The work both pipelines do: the folder's files listed and sorted, the new names made,
// the files renamed, the report written.
enum class Phase : std::size_t { Load, Simulate, Rename, Report };
inline constexpr std::size_t kPhaseCount = 4;
inline constexpr std::array<std::string_view, kPhaseCount> kPhaseNames = {"load", "simulate", "rename", "report"};

// The naming fields of every run; the reference writes the same names after kReferenceFormat.
inline const NamingFields kBenchFields{"Pic", "_x", "1", "000000"};
inline constexpr const char* kReferenceFormat = "Pic%06d_x.%.*s";

using Clock = std::chrono::steady_clock;

inline double SecondsBetween(Clock::time_point start, Clock::time_point end) {
  return std::chrono::duration<double>(end - start).count();
}

// A moment by the wall clock and by the processor time the process has used so far, in
// user and kernel mode. On a machine that other work shares, processor time tells what the
// run itself cost when the wall clock also counts the time the run waited for a processor.
struct Moment {
  Clock::time_point wall;
  double processor;

  static Moment Now() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return {Clock::now(), static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9};
  }
};

struct Span {
  double wall = 0;
  double processor = 0;
};

inline Span Between(const Moment& start, const Moment& end) {
  return {SecondsBetween(start.wall, end.wall), end.processor - start.processor};
}

// What one run of a pipeline measured. Plain data, so that a child process can send it whole.
struct PipelineMeasure {
  std::array<Span, kPhaseCount> phases{};
  Span whole;
  // Within the rename phase: the time before the first file is renamed (confirmation,
  // folder read, batch check, rename order).
  Span check;
  // Within the check: writing the journal and making it durable (Tolvane only).
  Span journal;
  // Within the rename phase: flushing the folder's renames to disk after the last one
  // (Tolvane only).
  Span folderSync;
  // Within the report phase: from opening the report file to closing it; the reference
  // writes its report in one call, so for it this is the whole phase.
  Span reportFile;
  // Runs that undo what they committed: the commit from the confirmation to the end of its
  // report, the undo of the same batch likewise, and within the commit the keeping of the
  // batch's record once the report is written.
  Span commit;
  Span undo;
  Span record;
  std::size_t entries = 0;
  std::size_t nameBytes = 0;  // the old and the new names' bytes over all entries
  long peakBytes = 0;         // the resident set's peak above where the run started

  Span& operator[](Phase phase) { return phases[static_cast<std::size_t>(phase)]; }
  const Span& operator[](Phase phase) const { return phases[static_cast<std::size_t>(phase)]; }
};

}  // namespace tolvane::bench
