#include "core/batch_recovery.h"

#include <algorithm>

#include "core/batch_commit.h"
#include "core/log_folder.h"
#include "core/name_escape.h"
#include "core/numbered_name.h"
#include "core/rename_report.h"
#include "platform/path.h"

namespace tolvane {

namespace {

// Where a file of the batch is.
enum class Place : unsigned char { Old, New, Temporary };

// Steps that run one after the other through each other's names: a chain, whose first step
// takes a free name and each next one the name the step before vacated, or a cycle, from its
// file's going to a temporary name to its coming back.
struct StepGroup {
  std::size_t first;
  std::size_t count;
  bool cycle;
};

class PlanReading {
 public:
  PlanReading(const JournalPlan& plan, OpenedFolder& folder) : plan_(plan), folder_(folder) {}

  std::optional<std::size_t> StepsDone() {
    std::size_t done = 0;
    bool cut = false;
    for (const StepGroup& group : Groups()) {
      const std::optional<std::size_t> progress = group.cycle ? CycleProgress(group) : ChainProgress(group);
      if (!progress) return std::nullopt;
      // Groups run in turn: after the one that was cut, none may have begun.
      if (cut) {
        if (*progress != 0) return std::nullopt;
        continue;
      }
      done += *progress;
      cut = *progress < group.count;
    }
    return done;
  }

 private:
  std::string_view From(std::size_t step) const { return Names(step).first; }
  std::string_view To(std::size_t step) const { return Names(step).second; }
  std::pair<std::string_view, std::string_view> Names(std::size_t step) const {
    return plan_.order.NamesOf(plan_.order.steps[step], plan_.moves);
  }
  bool Present(std::string_view name) { return folder_.Identify(name).has_value(); }

  std::vector<StepGroup> Groups() const {
    const std::vector<RenameStep>& steps = plan_.order.steps;
    std::vector<StepGroup> groups;
    for (std::size_t first = 0; first < steps.size();) {
      std::size_t end = first + 1;
      const bool cycle = steps[first].part == RenameStep::Part::ToTemporary;
      if (cycle) {
        while (steps[end].part != RenameStep::Part::FromTemporary) ++end;
        ++end;
      } else {
        while (end < steps.size() && steps[end].part == RenameStep::Part::Whole && To(end) == From(end - 1)) ++end;
      }
      groups.push_back({first, end - first, cycle});
      first = end;
    }
    return groups;
  }

  // The index of the one name of `names` the folder lacks; nullopt when it lacks none or more.
  template <typename NameAt>
  std::optional<std::size_t> OneFreeName(std::size_t count, NameAt nameAt) {
    std::optional<std::size_t> free;
    for (std::size_t index = 0; index < count; ++index) {
      if (Present(nameAt(index))) continue;
      if (free) return std::nullopt;
      free = index;
    }
    return free;
  }

  // A chain of L steps runs through L + 1 names, its first step's new name free at the start:
  // after j steps the name that the (j+1)-th would take is the free one, and after all of
  // them its last step's old name.
  std::optional<std::size_t> ChainProgress(const StepGroup& group) {
    return OneFreeName(group.count + 1, [&](std::size_t j) {
      return j < group.count ? To(group.first + j) : From(group.first + group.count - 1);
    });
  }

  // A cycle's renames run as a chain while its first file waits under its temporary name;
  // with no file waiting, the cycle has not begun or has ended, which the waiting file's
  // place tells.
  std::optional<std::size_t> CycleProgress(const StepGroup& group) {
    const std::size_t wholeSteps = group.count - 2;
    if (wholeSteps == 0) return std::nullopt;
    const std::size_t first = group.first;
    const std::size_t last = group.first + group.count - 1;
    const auto chainName = [&](std::size_t j) { return j < wholeSteps ? To(first + 1 + j) : From(first + wholeSteps); };
    if (Present(To(first))) {
      const std::optional<std::size_t> free = OneFreeName(wholeSteps + 1, chainName);
      if (!free) return std::nullopt;
      return 1 + *free;
    }
    for (std::size_t j = 0; j <= wholeSteps; ++j) {
      if (!Present(chainName(j))) return std::nullopt;
    }
    const FileIdentity waiting = plan_.waitingFiles.at(plan_.order.steps[first].move);
    if (folder_.Identify(From(first)) == waiting) return 0;
    if (folder_.Identify(To(last)) == waiting) return group.count;
    return std::nullopt;
  }

  const JournalPlan& plan_;
  OpenedFolder& folder_;
};

std::vector<Place> PlacesAfter(const RenameOrder& order, std::size_t moves, std::size_t stepsDone) {
  std::vector<Place> places(moves, Place::Old);
  for (std::size_t step = 0; step < stepsDone; ++step) {
    const RenameStep& done = order.steps[step];
    places[done.move] = done.part == RenameStep::Part::ToTemporary ? Place::Temporary : Place::New;
  }
  return places;
}

std::string_view NameAt(const JournalPlan& plan, std::size_t move, Place place) {
  switch (place) {
    case Place::Old: return plan.moves[move].from;
    case Place::New: return plan.moves[move].to;
    case Place::Temporary: break;
  }
  return plan.order.TemporaryNameOf(move);
}

// The journal's plan run backwards: every step undone, latest first, each file going from its
// new name to its old one.
struct ReversedPlan {
  std::vector<NameMove> moves;
  RenameOrder order;
};

ReversedPlan Reversed(const JournalPlan& plan) {
  ReversedPlan reversed;
  reversed.moves.reserve(plan.moves.size());
  for (const NameMove& move : plan.moves) reversed.moves.push_back({move.to, move.from});
  const std::vector<RenameStep>& steps = plan.order.steps;
  reversed.order.steps.reserve(steps.size());
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
    RenameStep undo = *step;
    if (step->part == RenameStep::Part::ToTemporary) {
      undo.part = RenameStep::Part::FromTemporary;
      reversed.order.SetTemporaryName(step->move, plan.order.TemporaryNameOf(step->move));
    } else if (step->part == RenameStep::Part::FromTemporary) {
      undo.part = RenameStep::Part::ToTemporary;
    }
    reversed.order.steps.push_back(undo);
  }
  return reversed;
}

std::size_t CountOf(const std::vector<Place>& places, Place place) {
  return static_cast<std::size_t>(std::count(places.begin(), places.end(), place));
}

std::string CutShortPrompt(const JournalPlan& plan, std::size_t renamed) {
  return "A rename in " + plan.folderPath + " was cut short: " + std::to_string(renamed) + " of " +
         std::to_string(plan.moves.size()) +
         " files were renamed. OK finishes the rename; Cancel gives the renamed files their old names back.";
}

void Finish(Platform platform, const JournalPlan& plan, OpenedFolder& folder, std::size_t stepsDone,
            const ReportWritten& written) {
  const CommitResult result = ResumeMoves(folder, platform.window, plan.moves, plan.order, stepsDone);
  folder.Sync();
  if (!result.failure) return WriteReport(plan.moves, platform, nullptr, written);
  platform.window.ShowMessage(DescribeFailure(plan.moves, plan.order, result), MessageButtons::Ok, std::nullopt);
  std::vector<NameMove> renamed;
  for (std::size_t move = 0; move < plan.moves.size(); ++move) {
    if (result.renamed[move]) renamed.push_back(plan.moves[move]);
  }
  WriteReport(renamed, platform, &result.failure->error, written);
}

std::string DescribeRollBackFailure(const JournalPlan& plan, const ReversedPlan& reversed, const CommitFailure& failure,
                                    std::size_t putBack, std::size_t toPutBack) {
  std::string message = "Giving the old names back stopped at ";
  AppendQuotedName(message, reversed.moves[failure.move].from);
  message += " -> ";
  AppendQuotedName(message, reversed.moves[failure.move].to);
  message += ":\n" + failure.error.Description() + "\n";
  message += std::to_string(putBack) + " of " + std::to_string(toPutBack) +
             " files have their old names back; the others keep the names they had.";
  if (failure.strandedMove) {
    message += "\nThe file ";
    AppendQuotedName(message, plan.moves[*failure.strandedMove].from);
    message += " is now named ";
    AppendQuotedName(message, plan.order.TemporaryNameOf(*failure.strandedMove));
    message += ".";
  }
  return message;
}

// The report lists every file whose name the rollback changed, from the name it had to the
// name it has now.
void RollBack(Platform platform, const JournalPlan& plan, OpenedFolder& folder, std::size_t stepsDone,
              const ReportWritten& written) {
  const std::vector<Place> before = PlacesAfter(plan.order, plan.moves.size(), stepsDone);
  const ReversedPlan reversed = Reversed(plan);
  const CommitResult result =
      ResumeMoves(folder, platform.window, reversed.moves, reversed.order, plan.order.steps.size() - stepsDone);
  folder.Sync();
  std::vector<NameMove> changed;
  std::size_t putBack = 0;
  for (std::size_t move = 0; move < plan.moves.size(); ++move) {
    Place after = result.renamed[move] ? Place::Old : Place::New;
    if (result.failure && result.failure->strandedMove == move) after = Place::Temporary;
    if (after == before[move]) continue;
    changed.push_back({NameAt(plan, move, before[move]), NameAt(plan, move, after)});
    putBack += after == Place::Old;
  }
  if (!result.failure) return WriteReport(changed, platform, nullptr, written);
  const std::size_t toPutBack = plan.moves.size() - CountOf(before, Place::Old);
  platform.window.ShowMessage(DescribeRollBackFailure(plan, reversed, *result.failure, putBack, toPutBack),
                              MessageButtons::Ok, std::nullopt);
  WriteReport(changed, platform, &result.failure->error, written);
}

// Renamed so that it is not offered again, never replacing an older one kept the same way.
std::string KeepJournal(Platform platform, const std::string& path) {
  const auto [folderPath, name] = SplitPath(path);
  const std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(folderPath);
  for (std::size_t attempt = 1;; ++attempt) {
    const std::string kept = NumberedName(name + ".kept", attempt);
    try {
      folder->RenameFile(name, kept);
      return JoinPath(folderPath, kept);
    } catch (const Error& error) {
      if (error.Number() != ErrorNumber::FileAlreadyExists) throw;
    }
  }
}

void Unusable(Platform platform, const std::string& path, const std::string& reason) {
  const std::string kept = KeepJournal(platform, path);
  platform.window.ShowMessage("A rename that was cut short can be neither finished nor undone: " + reason +
                                  ".\nNothing was changed. Its journal, which holds the old and new names of its "
                                  "files, is kept as " + kept + ".",
                              MessageButtons::Ok, std::string("Tolvane"));
}

void Recover(Platform platform, const std::string& path) {
  // Another window may be committing this batch, or recovering it.
  std::unique_ptr<LockedFile> file = platform.files.TryLockFile(path);
  if (!file) return;
  HeldJournal journal{path, std::move(file)};
  JournalPlan plan;
  try {
    plan = ReadJournal(journal.file->ReadAll());
  } catch (const Error& error) {
    return Unusable(platform, path, "its journal " + path + " cannot be read: " + error.Description());
  }
  std::unique_ptr<OpenedFolder> folder;
  try {
    folder = platform.files.OpenFolder(plan.folderPath);
  } catch (const Error& error) {
    return Unusable(platform, path, "its folder cannot be opened: " + error.Description());
  }
  if (folder->Identity() != plan.folder) {
    return Unusable(platform, path, "the folder " + plan.folderPath + " is not the one it was in; it was moved or replaced");
  }
  const std::optional<std::size_t> stepsDone = StepsDone(plan, *folder);
  if (!stepsDone) {
    return Unusable(platform, path, "files of the batch in " + plan.folderPath +
                                        " are under neither their old nor their new names, or other files took them");
  }
  const std::size_t renamed = CountOf(PlacesAfter(plan.order, plan.moves.size(), *stepsDone), Place::New);
  const ReportWritten removeJournal = [&] { journal.Remove(platform.files); };
  if (platform.window.ShowMessage(CutShortPrompt(plan, renamed), MessageButtons::OkCancel, std::string("Tolvane")) ==
      MessageAnswer::Ok) {
    Finish(platform, plan, *folder, *stepsDone, removeJournal);
  } else {
    RollBack(platform, plan, *folder, *stepsDone, removeJournal);
  }
}

}  // namespace

std::optional<std::size_t> StepsDone(const JournalPlan& plan, OpenedFolder& folder) {
  return PlanReading(plan, folder).StepsDone();
}

void RecoverUnfinishedBatches(Platform platform) {
  // Looked for without making anything: no folder for the reports yet means no journal.
  const std::optional<std::string> found = FindLogFolder(platform);
  if (!found) return;
  const std::string& folder = *found;
  std::vector<FolderItem> items;
  try {
    items = platform.files.ReadFolder(folder);
  } catch (const Error&) {
    return;  // no journal folder, so no journal
  }
  std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
  const std::string partialJournal = std::string(kJournalExtension) + std::string(kPartialFileSuffix);
  for (const FolderItem& item : items) {
    if (item.kind != FolderItemKind::File) continue;
    const std::string path = JoinPath(folder, item.name);
    try {
      if (item.name.ends_with(kJournalExtension)) {
        Recover(platform, path);
      } else if (item.name.ends_with(partialJournal)) {
        // Cut short while it was written, before any rename; unless its writer is still at it.
        if (const std::unique_ptr<LockedFile> partial = platform.files.TryLockFile(path)) {
          platform.files.RemoveFile(path);
        }
      }
    } catch (const Error& error) {
      platform.window.ReportUnhandledError(error);
    }
  }
}

}  // namespace tolvane
