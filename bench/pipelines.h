#pragma once

#include <string>

#include "bench/pipeline_measure.h"

namespace tolvane::bench {

// Where a run works: the folder it renames in, and the folder standing in for the
// executable's, whose "log" folder receives the report.
struct RunFolders {
  std::string folder;
  std::string executableFolder;
};

// Tolvane's own pipeline on the Linux platform: LoadFolder, Simulate, and Rename answered
// OK, with its report; the editor is not started.
PipelineMeasure RunTolvane(const RunFolders& folders);

// Tolvane's pipeline as RunTolvane, then the undo of the batch it committed: the folder ends
// as it began. Measures the commit, the undo and the keeping of the record.
PipelineMeasure RunTolvaneUndo(const RunFolders& folders);

// The same work as plainly as the kernel allows: readdir, one sort, snprintf,
// renameat2 per file and one write of the whole report.
PipelineMeasure RunReference(const RunFolders& folders);

}  // namespace tolvane::bench
