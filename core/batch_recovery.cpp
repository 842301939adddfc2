#include "core/batch_recovery.h"

#include <algorithm>
#include <exception>
#include <unordered_set>

#include "core/batch_commit.h"
#include "core/batch_record.h"
#include "core/state_folder.h"
#include "core/name_escape.h"
#include "core/name_refusal.h"
#include "core/rename_report.h"
#include "platform/path.h"
#include "platform/count_text.h"

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

std::vector<Place> PlacesAfter(const RenameOrder& order, std::size_t moves, std::size_t stepsDone) {
  std::vector<Place> places(moves, Place::Old);
  for (std::size_t step = 0; step < stepsDone; ++step) {
    const RenameStep& done = order.steps[step];
    places[done.move] = done.part == RenameStep::Part::ToTemporary ? Place::Temporary : Place::New;
  }
  return places;
}

// How far a batch got, or which of its files fit no moment of its plan.
struct BatchProgress {
  std::optional<std::size_t> stepsDone;
  std::vector<std::size_t> misfits;  // moves, the first kMisfitsNamed at most
  std::vector<std::string_view> takenNames;  // names of the batch another file holds, as many at most
  // The step a rename by link was cut in, between its link and its unlink: its file is under
  // both its names, and counts as under its new one.
  std::optional<std::size_t> doubledStep;
};

constexpr std::size_t kMisfitsNamed = 5;

// Whether the folder lists exactly these bytes, which a volume that folds case tells apart
// only in its listing. Read once, when first asked.
class ListedNames {
 public:
  explicit ListedNames(OpenedFolder& folder) : folder_(folder) {}
  bool Has(std::string_view name) {
    if (!names_) {
      names_.emplace();
      for (FolderItem& item : folder_.ReadItems()) names_->insert(std::move(item.name));
    }
    return names_->contains(std::string(name));
  }

 private:
  OpenedFolder& folder_;
  std::optional<std::unordered_set<std::string>> names_;
};

class PlanReading {
 public:
  PlanReading(const JournalPlan& plan, OpenedFolder& folder) : plan_(plan), folder_(folder), listed_(folder) {}

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
    const auto nameAt = [&](std::size_t j) {
      return j < group.count ? To(group.first + j) : From(group.first + group.count - 1);
    };
    if (const std::optional<std::size_t> free = OneFreeName(group.count + 1, nameAt)) return free;
    // No name free: a rename by link cut short left one file under two of them.
    for (std::size_t j = 0; j <= group.count; ++j) {
      if (!Present(nameAt(j))) return std::nullopt;
    }
    for (std::size_t j = 0; j < group.count; ++j) {
      if (!folder_.SameFile(From(group.first + j), To(group.first + j))) continue;
      doubledStep_ = group.first + j;
      return j + 1;
    }
    return std::nullopt;
  }

  // A cycle's renames run as a chain while its first file waits under its temporary name;
  // with no file waiting, the cycle has not begun or has ended, which the waiting file's
  // place tells.
  std::optional<std::size_t> CycleProgress(const StepGroup& group) {
    const std::size_t wholeSteps = group.count - 2;
    if (wholeSteps == 0) return OneFileCycleProgress(group);
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

  // A file whose name changes only in case goes through a temporary name, since the volume
  // answers to both names; which of the two the folder lists tells how far it got.
  std::optional<std::size_t> OneFileCycleProgress(const StepGroup& group) {
    const RenameStep& step = plan_.order.steps[group.first];
    if (Present(plan_.order.TemporaryNameOf(step.move))) return 1;
    const NameMove& move = plan_.moves[step.move];
    if (listed_.Has(move.to)) return 2;
    if (listed_.Has(move.from)) return 0;
    return std::nullopt;
  }

  const JournalPlan& plan_;
  OpenedFolder& folder_;
  ListedNames listed_;

 public:
  // How far the batch got: StepsDone, and the step left with its file under both names.
  BatchProgress Progress() {
    BatchProgress progress{StepsDone(), {}, {}, std::nullopt};
    if (doubledStep_ != kNoStep) progress.doubledStep = doubledStep_;
    return progress;
  }

 private:
  static constexpr std::size_t kNoStep = static_cast<std::size_t>(-1);
  // A plain number, where an optional member trips GCC's false "maybe uninitialised" at -O3.
  std::size_t doubledStep_ = kNoStep;
};

// Where each file of a journal that knows its files' identities is: found by identity, so that
// a file renamed by hand since is seen for what it is, not taken for the batch's.
class IdentityReading {
 public:
  IdentityReading(const JournalPlan& plan, OpenedFolder& folder) : plan_(plan), folder_(folder), listed_(folder) {}

  BatchProgress Progress() {
    std::vector<Place> places(plan_.moves.size(), Place::Old);
    BatchProgress progress;
    bool lost = false;
    for (std::size_t move = 0; move < plan_.moves.size(); ++move) {
      const std::optional<Place> place = PlaceOf(move);
      if (!place) {
        if (progress.misfits.size() < kMisfitsNamed) progress.misfits.push_back(move);
        lost = true;
        continue;
      }
      places[move] = *place;
    }
    if (lost) return progress;
    // The places must be those of one moment of the plan: its first steps done, none after.
    std::size_t done = 0;
    for (std::size_t move = 0; move < places.size(); ++move) done += StepsBehind(move, places[move]);
    const std::vector<Place> expected = PlacesAfter(plan_.order, plan_.moves.size(), done);
    if (expected != places) {
      for (std::size_t move = 0; move < places.size() && progress.misfits.size() < kMisfitsNamed; ++move) {
        if (expected[move] != places[move]) progress.misfits.push_back(move);
      }
      return progress;
    }
    progress.takenNames = NamesTakenByOthers(places);
    if (progress.takenNames.empty()) progress.stepsDone = done;
    if (doubledMove_) progress.doubledStep = StepToNewName(*doubledMove_);
    return progress;
  }

 private:
  // A name the batch has yet to give, or to give back, that a file outside the batch holds:
  // neither finishing nor undoing could get past it.
  std::vector<std::string_view> NamesTakenByOthers(const std::vector<Place>& places) {
    std::unordered_set<std::uint64_t> batchInodes;
    for (const FileIdentity& file : plan_.files) batchInodes.insert(file.inode);
    const auto takenByOther = [&](std::string_view name) {
      const std::optional<FileIdentity> holder = folder_.Identify(name);
      return holder && !batchInodes.contains(holder->inode);
    };
    std::vector<std::string_view> taken;
    for (std::size_t move = 0; move < places.size() && taken.size() < kMisfitsNamed; ++move) {
      const NameMove& names = plan_.moves[move];
      if (places[move] != Place::New && takenByOther(names.to)) taken.push_back(names.to);
      if (places[move] != Place::Old && takenByOther(names.from)) taken.push_back(names.from);
    }
    return taken;
  }

  std::optional<Place> PlaceOf(std::size_t move) {
    const FileIdentity& file = plan_.files[move];
    const NameMove& names = plan_.moves[move];
    const bool underNew = folder_.Identify(names.to) == file;
    const bool underOld = folder_.Identify(names.from) == file;
    if (underNew && underOld) {
      // A change of case alone finds the file under both names on a volume that folds case;
      // elsewhere, a rename by link was cut between its link and its unlink.
      if (!listed_.Has(names.from)) return Place::New;
      if (!listed_.Has(names.to)) return Place::Old;
      doubledMove_ = move;
      return Place::New;
    }
    if (underNew) return Place::New;
    if (underOld) return Place::Old;
    if (plan_.order.HasTemporaryName(move) && folder_.Identify(plan_.order.TemporaryNameOf(move)) == file) {
      return Place::Temporary;
    }
    return std::nullopt;
  }

  // The step that gives the move's file its new name.
  std::size_t StepToNewName(std::size_t move) const {
    const std::vector<RenameStep>& steps = plan_.order.steps;
    const auto step = std::find_if(steps.begin(), steps.end(), [&](const RenameStep& one) {
      return one.move == move && one.part != RenameStep::Part::ToTemporary;
    });
    return static_cast<std::size_t>(step - steps.begin());
  }

  // How many of the move's steps lie behind a file found at `place`.
  std::size_t StepsBehind(std::size_t move, Place place) const {
    switch (place) {
      case Place::Old: return 0;
      case Place::Temporary: return 1;
      case Place::New: return plan_.order.HasTemporaryName(move) ? 2 : 1;
    }
    return 0;
  }

  const JournalPlan& plan_;
  OpenedFolder& folder_;
  ListedNames listed_;
  std::optional<std::size_t> doubledMove_;
};

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

constexpr std::string_view kJournalKept =
    "\nThe journal of the batch is kept, so that the rest is offered again at the next start.";

// A recovery that stops keeps its journal: the folder shows how far it got, so the batch can
// be taken up again from there. `written` runs only once the batch is whole; then what was done
// is told, and nothing when it stopped.
std::optional<std::string> Finish(Platform platform, const JournalPlan& plan, OpenedFolder& folder,
                                  std::size_t stepsDone, const ReportWritten& written) {
  const CommitResult result = ResumeMoves(folder, platform.window, plan.moves, plan.order, stepsDone);
  folder.Sync();
  if (!result.failure) {
    const std::string report = WriteReport(plan.moves, platform, nullptr, written);
    return CountText(plan.moves.size()) + " files have their new names; the report is " + report + ".";
  }
  platform.window.ShowMessage(DescribeFailure(plan.moves, plan.order, result).append(kJournalKept),
                              MessageButtons::Ok, std::nullopt);
  std::vector<NameMove> renamed;
  for (std::size_t move = 0; move < plan.moves.size(); ++move) {
    if (result.renamed[move]) renamed.push_back(plan.moves[move]);
  }
  WriteReport(renamed, platform, &result.failure->error);
  return std::nullopt;
}

std::string DescribeRollBackFailure(const JournalPlan& plan, const ReversedPlan& reversed, const CommitFailure& failure,
                                    std::size_t putBack, std::size_t toPutBack) {
  std::string message = "Giving the old names back stopped at ";
  AppendQuotedName(message, reversed.moves[failure.move].from);
  message += " -> ";
  AppendQuotedName(message, reversed.moves[failure.move].to);
  message += ":\n" + failure.error.Description() + "\n";
  message += CountText(putBack) + " of " + CountText(toPutBack) +
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

// The rollback's own record: the files that had their new names and have their old ones back,
// so that undoing the rollback gives them their new names again.
void KeepRollBackRecord(Platform platform, const JournalPlan& plan, OpenedFolder& folder,
                        const std::vector<Place>& before, const CommitResult& result) {
  std::vector<NameMove> moves;
  std::vector<FileIdentity> files;
  for (std::size_t move = 0; move < plan.moves.size(); ++move) {
    if (before[move] != Place::New || !result.renamed[move]) continue;
    moves.push_back({plan.moves[move].to, plan.moves[move].from});
    if (!plan.files.empty()) files.push_back(plan.files[move]);
  }
  if (!moves.empty()) WriteRecord(platform, plan.folderPath, folder, moves, files);
}

// Whether the batch was the undo of the folder's last recorded batch: rolled back whole, it
// leaves the folder as that batch left it, which stays the one to undo, so the rollback keeps
// no record of its own that would hide it.
bool UndoesLastRecord(Platform platform, const JournalPlan& plan, OpenedFolder& folder) {
  try {
    const std::optional<FoundRecord> last = LastRecordOf(platform, folder, plan.folderPath);
    if (!last) return false;
    const std::unique_ptr<LockedFile> record = platform.files.TryLockFile(last->path);
    return record && Undoes(plan, ReadJournal(record->ReadAll(kLargestJournal)));
  } catch (const Error&) {
    return false;  // a record that cannot be read: the rollback keeps its own
  }
}

// The report lists every file whose name the rollback changed, from the name it had to the
// name it has now. What was done is told once every file has its old name back.
std::optional<std::string> RollBack(Platform platform, const JournalPlan& plan, OpenedFolder& folder,
                                    std::size_t stepsDone, const ReportWritten& written) {
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
  if (!result.failure) {
    const std::string report = WriteReport(changed, platform, nullptr, [&] {
      if (!UndoesLastRecord(platform, plan, folder)) KeepRollBackRecord(platform, plan, folder, before, result);
      written();
    });
    return CountText(putBack) + " files have their old names back; the report is " + report + ".";
  }
  const std::size_t toPutBack = plan.moves.size() - CountOf(before, Place::Old);
  platform.window.ShowMessage(
      DescribeRollBackFailure(plan, reversed, *result.failure, putBack, toPutBack).append(kJournalKept),
      MessageButtons::Ok, std::nullopt);
  WriteReport(changed, platform, &result.failure->error);
  return std::nullopt;
}

void Unusable(Platform platform, const std::string& path, const std::string& reason) {
  const std::string kept = SetJournalAside(platform, path);
  platform.window.ShowMessage("A rename that was cut short can be neither finished nor undone: " + reason +
                                  ".\nNothing was changed. Its journal, which holds the old and new names of its "
                                  "files, is kept as " + kept + ".",
                              MessageButtons::Ok, std::string("Tolvane"));
}

// A batch found cut short, its journal held, waiting for the user's answer.
struct PendingBatch {
  HeldJournal journal;
  JournalPlan plan;
  std::unique_ptr<OpenedFolder> folder;
  std::size_t stepsDone = 0;
  std::optional<std::size_t> doubledStep;
};

// The buttons of the question, in order.
enum class Answer : std::size_t { Finish, Undo, Later };

std::string FirstMoves(const JournalPlan& plan) {
  constexpr std::size_t kShown = 3;
  std::string text;
  for (std::size_t move = 0; move < std::min(kShown, plan.moves.size()); ++move) {
    if (move > 0) text += ", ";
    AppendEscapedName(text, plan.moves[move].from);
    text += " -> ";
    AppendEscapedName(text, plan.moves[move].to);
  }
  if (plan.moves.size() > kShown) text += ", ...";
  return text;
}

std::size_t RenamedCount(const PendingBatch& batch) {
  return CountOf(PlacesAfter(batch.plan.order, batch.plan.moves.size(), batch.stepsDone), Place::New);
}

bool OnlyReportMissing(const PendingBatch& batch) { return batch.stepsDone == batch.plan.order.steps.size(); }

std::string HowFar(const PendingBatch& batch) {
  return CountText(RenamedCount(batch)) + " of " + CountText(batch.plan.moves.size()) +
         " files have their new names";
}

constexpr std::string_view kLaterText = "Later leaves everything as it is and asks again at the next start.";

std::string PromptFor(const PendingBatch& batch) {
  const std::string& folder = batch.plan.folderPath;
  if (OnlyReportMissing(batch)) {
    return "A rename in " + folder + " was finished, but its report was not written: all " +
           CountText(batch.plan.moves.size()) + " files have their new names (" + FirstMoves(batch.plan) +
           ").\nFinish writes the report; Undo gives the files their old names back; " + std::string(kLaterText);
  }
  return "A rename in " + folder + " was cut short: " + HowFar(batch) + " (" + FirstMoves(batch.plan) +
         ").\nFinish renames the others; Undo gives the renamed files their old names back; " +
         std::string(kLaterText);
}

// More batches than boxes a user wants to answer: one box for all of them.
std::string PromptForAll(const std::vector<PendingBatch>& batches) {
  std::string prompt = "Renames in " + CountText(batches.size()) + " folders were cut short:\n";
  for (const PendingBatch& batch : batches) prompt += batch.plan.folderPath + ": " + HowFar(batch) + "\n";
  return prompt + "Finish completes each of them; Undo gives their renamed files their old names back; " +
         std::string(kLaterText);
}

Answer Ask(Platform platform, const std::string& prompt) {
  const ChoiceBox box{prompt, "Tolvane", {"&Finish", "&Undo", "&Later"}, 0, 2};
  return static_cast<Answer>(platform.window.AskChoice(box));
}

// The steps the undo takes back: those done, but for a step cut between its link and its
// unlink, whose file keeps its old name.
std::size_t StepsToTakeBack(const PendingBatch& batch) { return batch.stepsDone - (batch.doubledStep ? 1 : 0); }

// A file left under both names of its step keeps the one the answer leads to: its new name
// when finishing, its old one when undoing, which leaves that step not done.
void SettleDoubledName(PendingBatch& batch, Answer answer) {
  if (!batch.doubledStep) return;
  const auto [from, to] = batch.plan.order.NamesOf(batch.plan.order.steps[*batch.doubledStep], batch.plan.moves);
  if (answer == Answer::Finish) return batch.folder->DropSecondName(from, to);
  batch.folder->DropSecondName(to, from);
  batch.stepsDone = StepsToTakeBack(batch);
}

// The first name the answer's renames would give that the folder's volume refuses, with why,
// as a commit's check refuses it: fusefat takes a file's old name away before it refuses the
// new one, so such a rename must never be tried.
std::optional<std::pair<std::string_view, NameRefusal>> RefusedName(const PendingBatch& batch, Answer answer) {
  const JournalPlan& plan = batch.plan;
  const NameRules rules = batch.folder->Rules(batch.folder->ReadItems()).names;
  const bool finish = answer == Answer::Finish;
  const std::size_t first = finish ? batch.stepsDone : 0;
  const std::size_t end = finish ? plan.order.steps.size() : StepsToTakeBack(batch);
  for (std::size_t step = first; step < end; ++step) {
    const auto [from, to] = plan.order.NamesOf(plan.order.steps[step], plan.moves);
    const std::string_view given = finish ? to : from;
    if (const std::optional<NameRefusal> refusal = RefusalOf(rules, given)) return std::pair(given, *refusal);
  }
  return std::nullopt;
}

// Nothing is renamed when a name cannot be given; the journal stays for a volume that takes it.
bool RefusesNames(Platform platform, const PendingBatch& batch, Answer answer) {
  const auto refused = RefusedName(batch, answer);
  if (!refused) return false;
  std::string message = "Nothing was renamed in " + batch.plan.folderPath + ": the name ";
  AppendQuotedName(message, refused->first);
  message += " cannot be given, since " + DescribeRefusal(refused->second) + ".";
  platform.window.ShowMessage(message.append(kJournalKept), MessageButtons::Ok, std::nullopt);
  return true;
}

// Does what the answer says, and tells what was done once the whole batch is done; the
// folders of such batches are added to `recovered`.
void Apply(Platform platform, PendingBatch& batch, Answer answer, std::vector<std::string>& recovered) {
  if (answer == Answer::Later || RefusesNames(platform, batch, answer)) return;
  SettleDoubledName(batch, answer);
  const ReportWritten keepRecord = [&] { KeepAsRecord(platform, batch.journal); };
  const ReportWritten removeJournal = [&] { batch.journal.Remove(platform.files); };
  std::optional<std::string> done;
  switch (answer) {
    case Answer::Finish: done = Finish(platform, batch.plan, *batch.folder, batch.stepsDone, keepRecord); break;
    case Answer::Undo: done = RollBack(platform, batch.plan, *batch.folder, batch.stepsDone, removeJournal); break;
    case Answer::Later: return;
  }
  if (!done) return;
  const std::string& folder = batch.plan.folderPath;
  platform.window.ShowMessage("The rename in " + folder + (answer == Answer::Finish ? " is finished: " : " is undone: ") +
                                  *done,
                              MessageButtons::Ok, std::string("Tolvane"));
  recovered.push_back(folder);
}

bool VolumeAway(const JournalPlan& plan, OpenedFolder* folder) {
  return !plan.volume.empty() && (!folder || folder->VolumeName() != plan.volume);
}

bool AskToPlugIn(Platform platform, const JournalPlan& plan) {
  const ChoiceBox box{"A rename in " + plan.folderPath + " was cut short, and the volume it was on is not there now" +
                          ". Plug the volume in, then press Retry; " + std::string(kLaterText),
                      "Tolvane",
                      {"&Retry", "&Later"},
                      0,
                      1};
  return platform.window.AskChoice(box) == 0;
}

std::string DescribeMisfits(const JournalPlan& plan, const BatchProgress& progress) {
  if (!progress.takenNames.empty()) {
    std::string text = "other files in " + plan.folderPath + " hold names the batch needs: ";
    for (const std::string_view name : progress.takenNames) {
      if (name != progress.takenNames.front()) text += ", ";
      AppendQuotedName(text, name);
    }
    return text;
  }
  if (progress.misfits.empty()) {
    return "files of the batch in " + plan.folderPath +
           " are under neither their old nor their new names, or other files took them";
  }
  std::string text = "these files of the batch in " + plan.folderPath + " are not where the batch left them: ";
  for (const std::size_t move : progress.misfits) {
    if (move != progress.misfits.front()) text += ", ";
    AppendQuotedName(text, plan.moves[move].from);
    text += " (to be ";
    AppendQuotedName(text, plan.moves[move].to);
    text += ")";
  }
  return progress.misfits.size() == kMisfitsNamed ? text + ", ..." : text;
}

BatchProgress ProgressOf(const JournalPlan& plan, OpenedFolder& folder) {
  BatchProgress progress =
      plan.files.empty() ? PlanReading(plan, folder).Progress() : IdentityReading(plan, folder).Progress();
  // Only the last step done can have been cut in the middle.
  if (progress.doubledStep && progress.stepsDone && *progress.doubledStep + 1 != *progress.stepsDone) {
    progress.stepsDone.reset();
  }
  return progress;
}

// Opens the batch's folder and works out how far the batch got. Nothing when the batch is not
// to be offered now: another process holds it, it is not the user's, it was set aside (and
// said so), or its volume is away and the user chose to wait.
std::optional<PendingBatch> Examine(Platform platform, const std::string& path) {
  // Another window may be committing this batch, or recovering it.
  std::unique_ptr<LockedFile> file;
  try {
    file = platform.files.TryLockFile(path);
  } catch (const Error& error) {
    // A link or anything else but a plain file at a journal's name is never read: set aside,
    // it is said once and not met again at every start.
    Unusable(platform, path, "its journal " + path + " cannot be read: " + error.Description());
    return std::nullopt;
  }
  if (!file) return std::nullopt;
  // Planted by someone else: nothing that may rename the user's files.
  if (!file->OwnedByUser()) return std::nullopt;
  PendingBatch batch{HeldJournal{path, std::move(file)}, {}, nullptr, 0, std::nullopt};
  try {
    batch.plan = ReadJournal(batch.journal.file->ReadAll(kLargestJournal));
  } catch (const std::exception& error) {
    const auto* known = dynamic_cast<const Error*>(&error);
    Unusable(platform, path,
             "its journal " + path + " cannot be read: " + (known ? known->Description() : std::string(error.what())));
    return std::nullopt;
  }
  const JournalPlan& plan = batch.plan;
  for (;;) {
    std::string whyNot;
    try {
      batch.folder = platform.files.OpenFolder(plan.folderPath);
    } catch (const Error& error) {
      whyNot = "its folder cannot be opened: " + error.Description();
    }
    if (batch.folder && IsJournalFolder(plan, *batch.folder, plan.folderPath)) break;
    if (VolumeAway(plan, batch.folder.get())) {
      batch.folder.reset();
      if (AskToPlugIn(platform, plan)) continue;
      return std::nullopt;
    }
    if (whyNot.empty()) whyNot = "the folder " + plan.folderPath + " is not the one it was in; it was moved or replaced";
    Unusable(platform, path, whyNot);
    return std::nullopt;
  }
  const BatchProgress progress = ProgressOf(plan, *batch.folder);
  if (!progress.stepsDone) {
    Unusable(platform, path, DescribeMisfits(plan, progress));
    return std::nullopt;
  }
  batch.stepsDone = *progress.stepsDone;
  batch.doubledStep = progress.doubledStep;
  return batch;
}

// More than this many batches are asked about in one box.
constexpr std::size_t kBatchesAskedOneByOne = 3;

std::vector<std::string> AskAndApply(Platform platform, std::vector<PendingBatch>& batches) {
  std::vector<std::string> recovered;
  if (batches.size() > kBatchesAskedOneByOne) {
    const Answer answer = Ask(platform, PromptForAll(batches));
    for (PendingBatch& batch : batches) Apply(platform, batch, answer, recovered);
    return recovered;
  }
  for (PendingBatch& batch : batches) Apply(platform, batch, Ask(platform, PromptFor(batch)), recovered);
  return recovered;
}

// Whether the journal is of a batch of `folder`, by its head; a journal another process holds,
// not the user's, or without a head is none.
bool IsJournalOf(Platform platform, const std::string& path, OpenedFolder& folder, const std::string& folderPath) {
  try {
    const std::unique_ptr<LockedFile> file = platform.files.TryLockFile(path);
    return file && file->OwnedByUser() &&
           IsJournalFolder(ReadJournalHead(file->ReadStart(kJournalHeadBytes)), folder, folderPath);
  } catch (const Error&) {
    return false;
  }
}

// The journals of the private state folder, by name; nothing when there is no such folder.
std::vector<std::string> JournalPaths(Platform platform, const std::string& stateFolder) {
  std::vector<std::string> paths;
  for (const FolderItem& item : platform.files.ReadFolder(stateFolder)) {
    if (item.kind == FolderItemKind::File && item.name.ends_with(kJournalExtension)) {
      paths.push_back(JoinPath(stateFolder, item.name));
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace

std::vector<std::string> RecoverUnfinishedBatches(Platform platform) {
  // Looked for without making anything: no private state folder means no journal.
  const std::optional<std::string> found = FindPrivateStateFolder(platform);
  if (!found) return {};
  const std::string& folder = *found;
  std::vector<FolderItem> items;
  try {
    items = platform.files.ReadFolder(folder);
  } catch (const Error&) {
    return {};  // no journal folder, so no journal
  }
  std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
  const std::string partialJournal = std::string(kJournalExtension) + std::string(kPartialFileSuffix);
  std::vector<PendingBatch> pending;
  for (const FolderItem& item : items) {
    if (item.kind != FolderItemKind::File) continue;
    const std::string path = JoinPath(folder, item.name);
    try {
      if (item.name.ends_with(kJournalExtension)) {
        if (std::optional<PendingBatch> batch = Examine(platform, path)) pending.push_back(std::move(*batch));
      } else if (item.name.ends_with(partialJournal)) {
        // Cut short while it was written, before any rename; unless its writer is still at it.
        if (const std::unique_ptr<LockedFile> partial = platform.files.TryLockFile(path);
            partial && partial->OwnedByUser()) {
          platform.files.RemoveFile(path);
        }
      }
    } catch (const Error& error) {
      platform.window.ReportUnhandledError(error);
    }
  }
  try {
    return AskAndApply(platform, pending);
  } catch (const Error& error) {
    platform.window.ReportUnhandledError(error);
  }
  return {};
}

bool HasCutShortBatch(Platform platform, const std::string& folderPath) {
  try {
    const std::optional<std::string> stateFolder = FindPrivateStateFolder(platform);
    if (!stateFolder) return false;
    const std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(folderPath);
    const std::vector<std::string> journals = JournalPaths(platform, *stateFolder);
    return std::any_of(journals.begin(), journals.end(),
                       [&](const std::string& path) { return IsJournalOf(platform, path, *folder, folderPath); });
  } catch (const Error&) {
    return false;  // a folder that cannot be opened, or a state folder that cannot be read
  }
}

bool RecoverCutShortBatches(Platform platform, const std::string& folderPath) {
  const std::optional<std::string> stateFolder = FindPrivateStateFolder(platform);
  if (!stateFolder) return false;
  std::vector<PendingBatch> pending;
  {
    const std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(folderPath);
    for (const std::string& path : JournalPaths(platform, *stateFolder)) {
      if (!IsJournalOf(platform, path, *folder, folderPath)) continue;
      if (std::optional<PendingBatch> batch = Examine(platform, path)) pending.push_back(std::move(*batch));
    }
  }
  if (pending.empty()) return false;
  AskAndApply(platform, pending);
  return true;
}

}  // namespace tolvane
