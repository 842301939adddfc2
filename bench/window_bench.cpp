// Times the window's operations on a folder of a million files, each from its event to the
// list shown again and to the window's work done, and watches whether the window repaints
// while an operation runs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QItemSelection>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bench/pipeline_measure.h"
#include "bench/pipelines.h"
#include "bench/quiet_system.h"
#include "bench/scratch_folder.h"
#include "platform/linux_file_dates.h"
#include "platform/linux_file_system.h"
#include "window/application.h"
#include "window/folder_list.h"
#include "window/form1.h"
#include "window/list_menu.h"

namespace tolvane::bench {

namespace {

// The folder the benchmark works below, as the machine's one drive.
class BenchDrive final : public Drives {
 public:
  explicit BenchDrive(std::string mountPoint) : mountPoint_(std::move(mountPoint)) {}
  std::vector<Drive> MountedDrives() override { return {{mountPoint_, "BENCH"}}; }

 private:
  std::string mountPoint_;
};

constexpr double kTargetSeconds = 1.0;
// An ordering of the list, reading the times included, and the longest pause of the window meanwhile.
constexpr double kOrderingTargetSeconds = 1.5;
constexpr double kOrderingStallSeconds = 0.2;
// The window counts as live when no event waits longer than this while an operation runs.
constexpr double kLiveStallSeconds = 0.1;

struct Options {
  std::size_t n = 1'000'000;
  std::string parent;
  // "operations" or "road" runs that part alone; both run by default.
  std::string only;
  // Roads, each beside a run of the reference; they take turns at going first.
  std::size_t runs = 3;
};

Options ParseOptions(const QStringList& arguments) {
  Options options;
  for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
    if (arguments[i] == "--n") {
      options.n = arguments[i + 1].toULongLong();
    } else if (arguments[i] == "--parent") {
      options.parent = arguments[i + 1].toStdString();
    } else if (arguments[i] == "--runs") {
      options.runs = arguments[i + 1].toULongLong();
    } else if (arguments[i] == "--only" && (arguments[i + 1] == "operations" || arguments[i + 1] == "road")) {
      options.only = arguments[i + 1].toStdString();
    } else {
      throw std::invalid_argument("usage: tolvane_window_bench [--n N] [--parent DIR] [--only operations|road] [--runs R]");
    }
  }
  if (options.n == 0) throw std::invalid_argument("--n needs a positive number");
  if (options.runs == 0) throw std::invalid_argument("--runs needs a positive number");
  if (options.parent.empty()) {
    options.parent = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
  }
  return options;
}

// Lets the window handle everything it has waiting: posted events, the list's repaint, timers due.
void WaitUntilIdle() {
  QCoreApplication::sendPostedEvents();
  while (QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents)) {
  }
}

// Watches the event loop while an operation runs: a timer that asks to run every few
// milliseconds, every paint of any widget, and the paints of the list's rows.
class EventLoopWatch final : public QObject {
 public:
  explicit EventLoopWatch(QObject& listViewport) : listViewport_(listViewport) {
    ticker_.setInterval(5);
    QObject::connect(&ticker_, &QTimer::timeout, [this] { Tick(); });
    qApp->installEventFilter(this);
  }
  ~EventLoopWatch() override { qApp->removeEventFilter(this); }
  EventLoopWatch(const EventLoopWatch&) = delete;
  EventLoopWatch& operator=(const EventLoopWatch&) = delete;

  // `resultShown` tells whether the list as it would now be painted shows the operation's result.
  void Begin(std::function<bool()> resultShown) {
    resultShown_ = std::move(resultShown);
    paints_ = 0;
    resultPaint_.reset();
    longestStall_ = 0;
    lastTick_ = Clock::now();
    ticker_.start();
  }
  void End() {
    Tick();
    ticker_.stop();
  }
  int Paints() const { return paints_; }
  // The first paint of the list's rows that showed the operation's result.
  std::optional<Clock::time_point> ResultPaint() const { return resultPaint_; }
  double LongestStall() const { return longestStall_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints_;
      if (watched == &listViewport_ && !resultPaint_ && resultShown_()) resultPaint_ = Clock::now();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Tick() {
    const Clock::time_point now = Clock::now();
    longestStall_ = std::max(longestStall_, SecondsBetween(lastTick_, now));
    lastTick_ = now;
  }

  QObject& listViewport_;
  QTimer ticker_;
  Clock::time_point lastTick_;
  int paints_ = 0;
  std::function<bool()> resultShown_;
  std::optional<Clock::time_point> resultPaint_;
  double longestStall_ = 0;
};

// What the kernel alone takes to give every file's modification time: one fstatat a name.
double ReferenceStatSeconds(const std::string& folder) {
  const std::vector<NamedFile> files = FolderState(folder);
  const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const Clock::time_point start = Clock::now();
  struct stat status {};
  for (const NamedFile& file : files) ::fstatat(directory, file.name.c_str(), &status, AT_SYMLINK_NOFOLLOW);
  const double seconds = SecondsBetween(start, Clock::now());
  ::close(directory);
  return seconds;
}

struct OperationTime {
  std::string name;
  std::optional<double> listShown;  // until the list's rows were first painted after the event
  double seconds = 0;               // until the window had nothing left to do
  int paintsWhileRunning = 0;
  double longestStall = 0;
};

OperationTime TimeOperation(const std::string& name, EventLoopWatch& watch, const std::function<void()>& event,
                            std::function<bool()> resultShown) {
  WaitUntilIdle();
  OperationTime time;
  time.name = name;
  watch.Begin(std::move(resultShown));
  const Clock::time_point start = Clock::now();
  event();
  watch.End();
  time.paintsWhileRunning = watch.Paints();
  time.longestStall = watch.LongestStall();
  WaitUntilIdle();
  time.seconds = SecondsBetween(start, Clock::now());
  if (const auto shown = watch.ResultPaint()) time.listShown = SecondsBetween(start, *shown);
  return time;
}

// Answers OK to the confirmation and the completion message of a commit as soon as each is
// shown; any other box (a refusal, an error) is noted and closed, and spoils the figure.
class AgreeingUser final : public QObject {
 public:
  AgreeingUser() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      if (box->windowTitle() != "Confirmation" && box->text() != "File rename completed") {
        otherBoxes.push_back(box->text().toStdString());
      }
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start();
  }

  std::vector<std::string> otherBoxes;

 private:
  QTimer timer_;
};

// Why the commit's figure cannot stand, or nothing: each row's new name must now be a file's
// name, and the folder must hold as many files as before.
std::optional<std::string> CommitNotDone(const std::string& folder, const QTreeView& list, std::size_t files,
                                         const AgreeingUser& user) {
  if (!user.otherBoxes.empty()) return "a box came up: " + user.otherBoxes.front();
  std::vector<std::string> names;
  for (const NamedFile& file : FolderState(folder)) names.push_back(file.name);
  if (names.size() != files) return std::to_string(names.size()) + " files in the folder instead of " + std::to_string(files);
  for (int row = 0; row < list.model()->rowCount(); ++row) {
    const std::string newName = list.model()->index(row, 0).data().toString().toStdString();
    if (!std::binary_search(names.begin(), names.end(), newName)) return "no file is named " + newName;
  }
  return std::nullopt;
}

void SelectRows(QTreeView& list, const std::vector<int>& rows, int current) {
  QItemSelection selection;
  for (const int row : rows) selection.select(list.model()->index(row, 0), list.model()->index(row, 0));
  // The list has one column, so cells are rows: asking for whole rows would make Qt merge
  // every range with every other.
  list.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  list.selectionModel()->setCurrentIndex(list.model()->index(current, 0), QItemSelectionModel::NoUpdate);
}

std::vector<int> EverySecondRow(int rows) {
  std::vector<int> chosen;
  for (int row = 0; row < rows; row += 2) chosen.push_back(row);
  return chosen;
}

const char* Verdict(double seconds) { return seconds < kTargetSeconds ? "holds" : "MISSED"; }

void PrintResults(std::size_t n, const std::vector<OperationTime>& times) {
  std::printf("\nwindow at N=%zu (offscreen), each from its event to the list shown, and to all done:\n", n);
  std::printf("%-38s %11s %7s %8s %7s %14s %7s %s\n", "operation", "list shown", "< 1 s", "all done", "< 1 s",
              "longest stall", "paints", "live while running");
  for (const OperationTime& time : times) {
    if (time.listShown) {
      std::printf("%-38s %9.3f s %7s", time.name.c_str(), *time.listShown, Verdict(*time.listShown));
    } else {
      std::printf("%-38s %11s %7s", time.name.c_str(), "not shown", "-");
    }
    std::printf(" %6.3f s %7s %12.3f s %7d %s\n", time.seconds, Verdict(time.seconds), time.longestStall,
                time.paintsWhileRunning, time.longestStall <= kLiveStallSeconds ? "yes" : "no");
  }
}

// The road of one batch through the window, from the folder's opening to the report's close,
// each part until the window had nothing left to do.
struct Road {
  double load = 0;      // the folder opened and listed
  double simulate = 0;  // Simulate, with the preview's check of the folder
  double rename = 0;    // Rename: confirmation, check, journal, renames, message, report
  double Whole() const { return load + simulate + rename; }
};

Road TimeRoad(Form1& form, FolderList& dir1, const std::string& folder) {
  const auto timed = [](const std::function<void()>& event) {
    WaitUntilIdle();
    const Clock::time_point start = Clock::now();
    event();
    WaitUntilIdle();
    return SecondsBetween(start, Clock::now());
  };
  Road road;
  road.load = timed([&] { dir1.SetPath(folder); });
  road.simulate = timed([&] { form.findChild<QPushButton*>("Command4")->click(); });
  road.rename = timed([&] { form.findChild<QPushButton*>("Command5")->click(); });
  return road;
}

// The table of operations on a folder of its own; false when the commit did not rename every
// row's file.
bool TimeOperations(const Options& options, Form1& form) {
  std::optional<ScratchFolder> folder(std::in_place, options.parent, "tolvane-window-bench");
  std::fprintf(stderr, "making %zu files in %s\n", options.n, folder->Path().c_str());
  FillFolder(folder->Path(), options.n, 1);
  auto& list = *form.findChild<QTreeView*>("ListView1");
  auto& dir1 = *form.findChild<FolderList*>("Dir1");
  const auto click = [&form](const char* button) { return [&form, button] { form.findChild<QPushButton*>(button)->click(); }; };

  EventLoopWatch watch(*list.viewport());
  std::vector<OperationTime> times;
  const auto rowsShown = [&list](std::size_t rows) {
    return [&list, rows] { return static_cast<std::size_t>(list.model()->rowCount()) == rows; };
  };
  const auto previewShown = [&list](bool shown) {
    return [&list, shown] { return list.model()->index(0, 0).data().toString().startsWith("Pic") == shown; };
  };
  const auto anyPaint = [] { return true; };
  times.push_back(TimeOperation("load the folder into ListView1", watch, [&] { dir1.SetPath(folder->Path()); },
                                rowsShown(options.n)));
  // The orderings on the whole list: reversed first, so that none starts from its own order.
  const ListMenu& menu = form.ListView1Menu();
  const auto firstRow = [&list] { return list.model()->index(0, 0).data().toString(); };
  const QString nameFirst = firstRow();
  const std::size_t orderingsFrom = times.size();
  times.push_back(TimeOperation("Reverse Order", watch, [&] { menu.ReverseOrder().trigger(); }, anyPaint));
  const bool reversed = firstRow() != nameFirst;
  times.push_back(TimeOperation("Order by Date Modified", watch, [&] { menu.OrderByDateModified().trigger(); }, anyPaint));
  times.push_back(TimeOperation("Order by Name", watch, [&] { menu.OrderByName().trigger(); }, anyPaint));
  const bool named = firstRow() == nameFirst;
  const double statSeconds = ReferenceStatSeconds(folder->Path());
  std::vector<OperationTime> orderings(times.begin() + static_cast<std::ptrdiff_t>(orderingsFrom), times.end());
  times.push_back(TimeOperation("Simulate", watch, click("Command4"), previewShown(true)));
  const int rows = list.model()->rowCount();
  SelectRows(list, {rows - 1}, rows - 1);
  times.push_back(TimeOperation("MoveSelectedUp at the last position", watch, click("Command2"), anyPaint));
  SelectRows(list, EverySecondRow(rows), 0);
  times.push_back(TimeOperation("RemoveSelected of every second entry", watch, click("Command1"),
                                rowsShown(static_cast<std::size_t>(rows / 2))));
  times.push_back(TimeOperation("Undo", watch, click("Command6"), previewShown(false)));
  times.push_back(TimeOperation("Simulate again", watch, click("Command4"), previewShown(true)));
  const AgreeingUser user;
  times.push_back(TimeOperation("Rename (answered OK) with its report", watch, click("Command5"), anyPaint));
  const std::optional<std::string> notDone = CommitNotDone(folder->Path(), list, options.n, user);
  if (notDone) times.pop_back();
  PrintResults(options.n, times);
  for (const OperationTime& ordering : orderings) {
    std::printf("%s: %.3f s (target < %.1f s: %s), longest pause %.3f s (target <= %.1f s: %s)\n", ordering.name.c_str(),
                ordering.seconds, kOrderingTargetSeconds, ordering.seconds < kOrderingTargetSeconds ? "holds" : "MISSED",
                ordering.longestStall, kOrderingStallSeconds, ordering.longestStall <= kOrderingStallSeconds ? "holds" : "MISSED");
  }
  std::printf("reference: one fstatat of each of the %zu files, in one thread, %.3f s\n", options.n, statSeconds);
  std::printf("Reverse Order %s the first row; Order by Name %s the load's first row back\n", reversed ? "changed" : "DID NOT change",
              named ? "brought" : "DID NOT bring");
  std::printf("rows after the removal: %d of %zu\n", list.model()->rowCount(), options.n);
  if (notDone) {
    std::printf("Rename: no figure, the commit did not rename every row's file: %s\n", notDone->c_str());
    return false;
  }
  std::printf("Rename: every one of the %d rows' files has its new name\n", list.model()->rowCount());
  std::fflush(stdout);
  return true;
}

struct RoadRun {
  Road road;
  PipelineMeasure reference;
  std::size_t renamed = 0;  // files under their new names after the window's commit
};

void PrintRoad(std::size_t n, const RoadRun& run, bool roadFirst) {
  const Road& road = run.road;
  const PipelineMeasure& reference = run.reference;
  std::printf("  %s first: open the folder %.3f s, Simulate %.3f s, Rename to the report's close %.3f s: %.3f s in all;"
              " reference %.3f s (load %.3f, names %.3f, renames %.3f, report %.3f); ratio %.2f; renamed %zu of %zu\n",
              roadFirst ? "road" : "reference", road.load, road.simulate, road.rename, road.Whole(), reference.whole.wall,
              reference[Phase::Load].wall, reference[Phase::Simulate].wall, reference[Phase::Rename].wall,
              reference[Phase::Report].wall, road.Whole() / reference.whole.wall, run.renamed, n);
  std::fflush(stdout);
}

double MedianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The road through the window, from the folder's opening to the report's close.
Road TimeRoadOnFreshFiles(const Options& options, Form1& form, std::size_t& renamed) {
  std::optional<ScratchFolder> folder(std::in_place, options.parent, "tolvane-window-road");
  FillFolder(folder->Path(), options.n, 2);
  const AgreeingUser user;
  const Road road = TimeRoad(form, *form.findChild<FolderList*>("Dir1"), folder->Path());
  const std::vector<NamedFile> state = FolderState(folder->Path());
  renamed = static_cast<std::size_t>(
      std::count_if(state.begin(), state.end(), [](const NamedFile& file) { return file.name.starts_with("Pic"); }));
  return road;
}

PipelineMeasure TimeReferenceOnFreshFiles(const Options& options, const std::string& executableFolder) {
  const ScratchFolder folder(options.parent, "tolvane-window-reference");
  FillFolder(folder.Path(), options.n, 2);
  return RunReference({folder.Path(), executableFolder});
}

// Each run times the road and the reference on fresh folders of the same files, one folder at
// a time (a tmpfs holds about three million files); the two take turns at going first, since
// the kernel still frees the last run's files while the next one renames.
void TimeRoadAndReference(const Options& options, Form1& form, const std::string& executableFolder) {
  std::printf("\nthe road of one batch at N=%zu through the window (open the folder, Simulate, Rename, OK, report),"
              " beside the reference's whole pipeline on the same files:\n", options.n);
  std::vector<double> roads;
  std::vector<double> references;
  std::vector<double> simulates;
  for (std::size_t i = 0; i < options.runs; ++i) {
    const bool roadFirst = i % 2 == 0;
    RoadRun run;
    if (!roadFirst) run.reference = TimeReferenceOnFreshFiles(options, executableFolder);
    run.road = TimeRoadOnFreshFiles(options, form, run.renamed);
    if (roadFirst) run.reference = TimeReferenceOnFreshFiles(options, executableFolder);
    PrintRoad(options.n, run, roadFirst);
    roads.push_back(run.road.Whole());
    references.push_back(run.reference.whole.wall);
    simulates.push_back(run.road.simulate);
  }
  const double road = MedianOf(roads);
  const double reference = MedianOf(references);
  const double ratio = road / reference;
  std::printf("  median of %zu: road %.3f s, reference %.3f s, ratio %.2f (target <= 1.15: %s)\n", options.runs, road,
              reference, ratio, ratio <= 1.15 ? "holds" : "MISSED");
  const double simulate = MedianOf(simulates);
  std::printf("  median of %zu: Simulate done, marks included, %.3f s (target < 0.5 s: %s)\n", options.runs, simulate,
              simulate < 0.5 ? "holds" : "MISSED");
}

int Run(const Options& options) {
  const ScratchFolder executable(options.parent, "tolvane-window-bench-program");
  std::filesystem::create_directory(executable.Path() + "/log");
  Form1 form(Form1Environment{std::make_unique<LinuxFileSystem>(),
                              std::make_unique<QuietSystem>(executable.Path(), executable.Path()),
                              std::make_unique<BenchDrive>(options.parent), std::make_unique<LinuxFileDates>(),
                              nullptr});
  form.show();
  WaitUntilIdle();
  const std::vector<std::pair<const char*, const char*>> fields{{"Text1", "Pic"}, {"Text2", "_x"}, {"Text3", "1"}, {"Text4", "000000"}};
  for (const auto& [box, text] : fields) form.findChild<QLineEdit*>(box)->setText(text);
  if (options.only != "road" && !TimeOperations(options, form)) return 1;
  if (options.only != "operations") TimeRoadAndReference(options, form, executable.Path());
  return 0;
}

}  // namespace

}  // namespace tolvane::bench

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  tolvane::SetUpApplication();
  try {
    return tolvane::bench::Run(tolvane::bench::ParseOptions(QApplication::arguments()));
  } catch (const std::exception& error) {
    std::cerr << "tolvane_window_bench: " << error.what() << "\n";
    return 2;
  }
}
