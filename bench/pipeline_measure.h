#pragma once

#include <array>
#include <chrono>
#include <cstddef>
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

// What one run of a pipeline measured. Plain data, so that a child process can send it whole.
struct PipelineMeasure {
  std::array<double, kPhaseCount> seconds{};
  double wholeSeconds = 0;
  // Within the rename phase: the time before the first file is renamed (confirmation,
  // folder read, batch check, rename order).
  double checkSeconds = 0;
  // Within the report phase: from opening the report file to closing it; the reference
  // writes its report in one call, so for it this is the whole phase.
  double reportFileSeconds = 0;
  std::size_t entries = 0;
  std::size_t nameBytes = 0;  // the old and the new names' bytes over all entries
  long peakBytes = 0;         // the resident set's peak above where the run started

  double& operator[](Phase phase) { return seconds[static_cast<std::size_t>(phase)]; }
  double operator[](Phase phase) const { return seconds[static_cast<std::size_t>(phase)]; }
};

}  // namespace tolvane::bench
