// Times Tolvane's pipeline against a reference that does the same work as plainly as the
// kernel allows, on folders of N and 2N files made for the purpose and removed afterwards.
#include <sys/stat.h>
#include <sys/statfs.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bench/measured_child.h"
#include "bench/pipelines.h"
#include "bench/scratch_folder.h"
#include "platform/error.h"

namespace tolvane::bench {

namespace {

constexpr double kWholeTarget = 1.10;
constexpr double kPhaseTarget = 1.5;
constexpr double kDoublingLimit = 2.2;
constexpr double kUndoTarget = 1.2;

struct Options {
  std::size_t n = 100'000;
  std::size_t runs = 5;
  std::string parent;
};

std::string DefaultParent() {
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path().string();
}

std::size_t PositiveNumber(const std::string& text, const std::string& option) {
  std::size_t used = 0;
  const unsigned long long value = std::stoull(text, &used);
  if (used != text.size() || value == 0) throw std::invalid_argument(option + " needs a positive number");
  return static_cast<std::size_t>(value);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (i + 1 >= arguments.size()) throw std::invalid_argument("usage: tolvane_bench [--n N] [--runs R] [--parent DIR]");
    const std::string& value = arguments[++i];
    if (option == "--n") {
      options.n = PositiveNumber(value, option);
    } else if (option == "--runs") {
      options.runs = PositiveNumber(value, option);
    } else if (option == "--parent") {
      options.parent = value;
    } else {
      throw std::invalid_argument("unknown option " + option);
    }
  }
  if (options.parent.empty()) options.parent = DefaultParent();
  return options;
}

// Every run renames for real, so it must never work inside the project's own files.
void RefuseParentInSources(const std::string& parent) {
  const std::string folder = std::filesystem::canonical(parent).string();
  const std::string sources = std::filesystem::canonical(TOLVANE_SOURCE_DIR).string();
  if (folder == sources || folder.starts_with(sources + "/")) {
    throw std::invalid_argument("the parent folder " + parent + " lies inside the project's sources");
  }
}

std::string FileSystemName(const std::string& folder) {
  struct statfs info {};
  if (statfs(folder.c_str(), &info) != 0) return "unknown";
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x01021994UL: return "tmpfs";
    case 0xEF53UL: return "ext4";
    case 0x58465342UL: return "xfs";
    case 0x9123683EUL: return "btrfs";
    case 0x794C7630UL: return "overlayfs";
    default: {
      char hex[32];
      std::snprintf(hex, sizeof hex, "type 0x%lx", static_cast<unsigned long>(info.f_type));
      return hex;
    }
  }
}

// What one run left behind: the renamed folder and the report without its dated first line.
struct RunOutcome {
  PipelineMeasure measure;
  std::vector<NamedFile> stateBefore;
  std::vector<NamedFile> state;
  std::vector<std::string> reportLines;
};

RunOutcome RunOnFreshFolder(const std::function<PipelineMeasure(const RunFolders&)>& pipeline,
                            const Options& options, std::size_t n, unsigned seed) {
  const ScratchFolder folder(options.parent, "tolvane-bench");
  const ScratchFolder executable(options.parent, "tolvane-bench-program");
  const std::string logFolder = executable.Path() + "/log";
  std::filesystem::create_directory(logFolder);
  FillFolder(folder.Path(), n, seed);
  RunOutcome outcome;
  outcome.stateBefore = FolderState(folder.Path());
  outcome.measure = MeasureInChild([&] { return pipeline({folder.Path(), executable.Path()}); });
  outcome.state = FolderState(folder.Path());
  outcome.reportLines = OnlyFileLines(logFolder);
  if (!outcome.reportLines.empty()) outcome.reportLines.erase(outcome.reportLines.begin());
  return outcome;
}

struct Series {
  std::size_t n = 0;
  std::vector<PipelineMeasure> tolvane;
  std::vector<PipelineMeasure> reference;
  bool sameState = true;
  bool sameReport = true;
};

Series RunSeries(const Options& options, std::size_t n) {
  Series series;
  series.n = n;
  for (std::size_t run = 0; run < options.runs; ++run) {
    const auto seed = static_cast<unsigned>(run + 1);
    // Taking turns at going first spreads the machine's other work over both.
    std::optional<RunOutcome> tolvane;
    std::optional<RunOutcome> reference;
    if (run % 2 == 0) tolvane = RunOnFreshFolder(RunTolvane, options, n, seed);
    reference = RunOnFreshFolder(RunReference, options, n, seed);
    if (!tolvane) tolvane = RunOnFreshFolder(RunTolvane, options, n, seed);
    series.sameState = series.sameState && tolvane->state == reference->state && tolvane->state.size() == n;
    series.sameReport = series.sameReport && tolvane->reportLines == reference->reportLines;
    series.tolvane.push_back(tolvane->measure);
    series.reference.push_back(reference->measure);
    std::fprintf(stderr, "  N=%zu run %zu: tolvane %.3f s, reference %.3f s\n", n, run + 1, tolvane->measure.whole.wall,
                 reference->measure.whole.wall);
  }
  return series;
}

using Value = std::function<double(const PipelineMeasure&)>;

double Median(const std::vector<PipelineMeasure>& measures, const Value& value) {
  std::vector<double> values;
  for (const PipelineMeasure& measure : measures) values.push_back(value(measure));
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Which clock a table reads: the wall clock, or the processor time the run used.
using SpanClock = double Span::*;

Value PhaseOf(Phase phase, SpanClock clock) {
  return [phase, clock](const PipelineMeasure& measure) { return measure[phase].*clock; };
}

Value WholeOf(SpanClock clock) {
  return [clock](const PipelineMeasure& measure) { return measure.whole.*clock; };
}

const char* Verdict(bool holds) { return holds ? "holds" : "MISSED"; }

void PrintRow(const std::string& name, double tolvane, double reference, double target) {
  const double ratio = tolvane / reference;
  std::printf("%-10s %12.4f %12.4f %8.2f   <= %.2f %s\n", name.c_str(), tolvane, reference, ratio, target,
              Verdict(ratio <= target));
}

void PrintTimes(const Series& series, SpanClock clock) {
  std::printf("%-10s %12s %12s %8s   %s\n", "phase", "tolvane s", "reference s", "ratio", "target");
  for (std::size_t p = 0; p < kPhaseCount; ++p) {
    const Value phase = PhaseOf(static_cast<Phase>(p), clock);
    PrintRow(std::string(kPhaseNames[p]), Median(series.tolvane, phase), Median(series.reference, phase), kPhaseTarget);
  }
  PrintRow("whole", Median(series.tolvane, WholeOf(clock)), Median(series.reference, WholeOf(clock)), kWholeTarget);
  std::printf("  tolvane's rename phase: %.4f s before the first rename (folder read, batch check, order), %.4f s renaming\n",
              Median(series.tolvane, [clock](const PipelineMeasure& m) { return m.check.*clock; }),
              Median(series.tolvane, [clock](const PipelineMeasure& m) { return m[Phase::Rename].*clock - m.check.*clock; }));
  std::printf("  of which the journal: %.4f s writing it and making it durable before the first rename, %.4f s"
              " flushing the folder after the last rename\n",
              Median(series.tolvane, [clock](const PipelineMeasure& m) { return m.journal.*clock; }),
              Median(series.tolvane, [clock](const PipelineMeasure& m) { return m.folderSync.*clock; }));
  std::printf("  tolvane's report phase: %.4f s from opening the report file to closing it\n",
              Median(series.tolvane, [clock](const PipelineMeasure& m) { return m.reportFile.*clock; }));
}

void PrintMemory(const char* name, const std::vector<PipelineMeasure>& measures) {
  const PipelineMeasure& first = measures.front();
  const auto entries = static_cast<double>(first.entries);
  const double peak = Median(measures, [](const PipelineMeasure& m) { return static_cast<double>(m.peakBytes); });
  const double names = static_cast<double>(first.nameBytes) / entries;
  std::printf("  %-9s peak resident set %.1f MB: %.0f bytes per entry, %.0f beyond the names' %.0f\n", name, peak / 1e6,
              peak / entries, peak / entries - names, names);
}

void PrintDoubling(const Series& single, const Series& twice, SpanClock clock) {
  const auto row = [&](const std::string& name, const Value& value) {
    const double tolvane = Median(twice.tolvane, value) / Median(single.tolvane, value);
    const double reference = Median(twice.reference, value) / Median(single.reference, value);
    std::printf("  %-10s tolvane x%.2f %s, reference x%.2f\n", name.c_str(), tolvane, Verdict(tolvane <= kDoublingLimit),
                reference);
  };
  for (std::size_t p = 0; p < kPhaseCount; ++p) row(std::string(kPhaseNames[p]), PhaseOf(static_cast<Phase>(p), clock));
  row("whole", WholeOf(clock));
}

void PrintSeries(const Series& series) {
  std::printf("\nN=%zu, medians of %zu runs, wall clock\n", series.n, series.tolvane.size());
  PrintTimes(series, &Span::wall);
  std::printf("N=%zu, medians of %zu runs, processor time (user and kernel)\n", series.n, series.tolvane.size());
  PrintTimes(series, &Span::processor);
  std::printf("memory, resident set above the start of the run:\n");
  PrintMemory("tolvane", series.tolvane);
  PrintMemory("reference", series.reference);
  std::printf("state: both left %s, and their reports %s\n",
              series.sameState ? "the same names on the same files" : "DIFFERENT folders",
              series.sameReport ? "list the same lines" : "DIFFER");
}

// The undo of a batch next to its commit, in the same runs; the folder must end as it began.
bool RunUndoSeries(const Options& options, std::size_t n) {
  std::vector<PipelineMeasure> measures;
  bool restored = true;
  for (std::size_t run = 0; run < options.runs; ++run) {
    const RunOutcome outcome = RunOnFreshFolder(RunTolvaneUndo, options, n, static_cast<unsigned>(run + 1));
    restored = restored && outcome.state == outcome.stateBefore && outcome.state.size() == n;
    measures.push_back(outcome.measure);
    std::fprintf(stderr, "  N=%zu undo run %zu: commit %.3f s, undo %.3f s\n", n, run + 1, outcome.measure.commit.wall,
                 outcome.measure.undo.wall);
  }
  std::printf("\nundo of the batch just committed, N=%zu, medians of %zu runs:\n", n, measures.size());
  const std::pair<const char*, SpanClock> clocks[] = {{"wall clock", &Span::wall}, {"processor", &Span::processor}};
  for (const auto& [clockName, clock] : clocks) {
    const double commit = Median(measures, [clock](const PipelineMeasure& m) { return m.commit.*clock; });
    const double undo = Median(measures, [clock](const PipelineMeasure& m) { return m.undo.*clock; });
    const double record = Median(measures, [clock](const PipelineMeasure& m) { return m.record.*clock; });
    std::printf("  %-10s commit %.4f s, undo %.4f s, ratio %.2f   <= %.1f %s; keeping the record %.4f s (%.2f%% of the "
                "commit)\n",
                clockName, commit, undo, undo / commit, kUndoTarget, Verdict(undo / commit <= kUndoTarget), record,
                100 * record / commit);
  }
  std::printf("state: the undo %s\n", restored ? "left every file under the name it had before the commit"
                                                 : "DID NOT give every file its name back");
  return restored;
}

int Run(const Options& options) {
  RefuseParentInSources(options.parent);
  std::printf("tolvane_bench: parent folder %s (%s), %zu runs\n", options.parent.c_str(),
              FileSystemName(options.parent).c_str(), options.runs);
  std::fflush(stdout);
  // N's tables come out before 2N runs, so that a run at 2N that fails (a full file system)
  // does not take them along.
  const Series single = RunSeries(options, options.n);
  PrintSeries(single);
  const bool undoRestored = RunUndoSeries(options, options.n);
  std::fflush(stdout);
  const Series twice = RunSeries(options, 2 * options.n);
  PrintSeries(twice);
  std::printf("\ndoubling check, N=%zu to 2N=%zu (time at 2N / time at N, limit %.1f), wall clock:\n", single.n, twice.n,
              kDoublingLimit);
  PrintDoubling(single, twice, &Span::wall);
  std::printf("the same by processor time:\n");
  PrintDoubling(single, twice, &Span::processor);
  const double tolvane = Median(single.tolvane, WholeOf(&Span::wall));
  const double reference = Median(single.reference, WholeOf(&Span::wall));
  std::printf("whole pipeline N=%zu: tolvane %.4f s, reference %.4f s, ratio %.2f\n", options.n, tolvane, reference,
              tolvane / reference);
  return single.sameState && twice.sameState && single.sameReport && twice.sameReport && undoRestored ? 0 : 1;
}

}  // namespace

}  // namespace tolvane::bench

int main(int argc, char** argv) {
  try {
    return tolvane::bench::Run(tolvane::bench::ParseOptions(argc, argv));
  } catch (const std::exception& error) {
    std::cerr << "tolvane_bench: " << error.what() << "\n";
    return 2;
  }
}
