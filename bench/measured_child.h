#pragma once

#include <functional>

#include "bench/pipeline_measure.h"

namespace tolvane::bench {

// Runs `pipeline` in a child process of its own, so that the peak of its resident set is
// its own and no run inherits another's heap. The child's error is raised here as an Error.
PipelineMeasure MeasureInChild(const std::function<PipelineMeasure()>& pipeline);

}  // namespace tolvane::bench
