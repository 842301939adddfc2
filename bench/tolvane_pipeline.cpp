#include <optional>

#include "bench/pipelines.h"
#include "bench/quiet_system.h"
#include "core/batch_undo.h"
#include "core/folder_listing.h"
#include "core/preview.h"
#include "core/rename_list.h"
#include "platform/linux_file_system.h"

namespace tolvane::bench {

namespace {

constexpr std::string_view kCompletedMessage = "File rename completed";

// Marks the moments inside Rename that the benchmark splits it at.
struct Marks {
  std::optional<Moment> firstRename;
  std::optional<Moment> completed;
  std::optional<Moment> reportOpened;
  std::optional<Moment> reportClosed;
  std::optional<Moment> journalBegun;
  std::optional<Moment> journalStored;
  std::optional<Moment> syncBegun;
  std::optional<Moment> syncEnded;
  std::string refusal;  // a message other than the completion, which means the batch failed
};

class MarkingLineWriter final : public LineWriter {
 public:
  MarkingLineWriter(std::unique_ptr<LineWriter> writer, Marks& marks) : writer_(std::move(writer)), marks_(marks) {}
  void WriteLine(std::string_view text) override { writer_->WriteLine(text); }
  void Close() override {
    writer_->Close();
    marks_.reportClosed = Moment::Now();
  }

 private:
  std::unique_ptr<LineWriter> writer_;
  Marks& marks_;
};

class MarkingFolder final : public OpenedFolder {
 public:
  MarkingFolder(std::unique_ptr<OpenedFolder> folder, Marks& marks) : folder_(std::move(folder)), marks_(marks) {}
  void RenameFile(std::string_view oldName, std::string_view newName) override {
    if (!marks_.firstRename) marks_.firstRename = Moment::Now();
    folder_->RenameFile(oldName, newName);
  }
  std::vector<FolderItem> ReadItems() override { return folder_->ReadItems(); }
  std::vector<FolderItem> ReadItemsInRuns(const ItemsRead& run) override { return folder_->ReadItemsInRuns(run); }
  bool SameFile(std::string_view name, std::string_view otherName) override { return folder_->SameFile(name, otherName); }
  void DropSecondName(std::string_view name, std::string_view keptName) override {
    folder_->DropSecondName(name, keptName);
  }
  VolumeRules Rules(const std::vector<FolderItem>& items) override { return folder_->Rules(items); }
  bool Holds(std::string_view name) override { return folder_->Holds(name); }
  FileIdentity Identity() override { return folder_->Identity(); }
  std::optional<FileIdentity> Identify(std::string_view name) override { return folder_->Identify(name); }
  void Sync() override {
    marks_.syncBegun = Moment::Now();
    folder_->Sync();
    marks_.syncEnded = Moment::Now();
  }
  std::unique_ptr<FolderWatch> Watch() override { return folder_->Watch(); }
  bool KeepsIdentities() override { return folder_->KeepsIdentities(); }
  std::string VolumeName() override { return folder_->VolumeName(); }

 private:
  std::unique_ptr<OpenedFolder> folder_;
  Marks& marks_;
};

class MarkingDurableFile final : public DurableFile {
 public:
  MarkingDurableFile(std::unique_ptr<DurableFile> file, Marks& marks) : file_(std::move(file)), marks_(marks) {}
  std::string ReadAll(std::uint64_t mostBytes) override { return file_->ReadAll(mostBytes); }
  std::string ReadStart(std::size_t bytes) override { return file_->ReadStart(bytes); }
  bool OwnedByUser() override { return file_->OwnedByUser(); }
  void Write(std::string_view bytes) override { file_->Write(bytes); }
  void Finish() override {
    file_->Finish();
    marks_.journalStored = Moment::Now();
  }

 private:
  std::unique_ptr<DurableFile> file_;
  Marks& marks_;
};

// The Linux file system, marking the first rename, the journal's and the report file's life.
class MarkingFileSystem final : public FileSystem {
 public:
  explicit MarkingFileSystem(Marks& marks) : marks_(marks) {}
  std::vector<FolderItem> ReadFolder(const std::string& folderPath) override { return files_.ReadFolder(folderPath); }
  std::unique_ptr<OpenedFolder> OpenFolder(const std::string& folderPath) override {
    return std::make_unique<MarkingFolder>(files_.OpenFolder(folderPath), marks_);
  }
  std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override {
    marks_.reportOpened = Moment::Now();
    return std::make_unique<MarkingLineWriter>(files_.OpenForAppend(path), marks_);
  }
  bool IsWritableFolder(const std::string& folderPath) override { return files_.IsWritableFolder(folderPath); }
  void CreatePrivateFolder(const std::string& folderPath) override { files_.CreatePrivateFolder(folderPath); }
  void KeepPrivate(const std::string& folderPath) override { files_.KeepPrivate(folderPath); }
  std::unique_ptr<DurableFile> CreateDurableFile(const std::string& path) override {
    marks_.journalBegun = Moment::Now();
    return std::make_unique<MarkingDurableFile>(files_.CreateDurableFile(path), marks_);
  }
  std::unique_ptr<LockedFile> TryLockFile(const std::string& path) override { return files_.TryLockFile(path); }
  void RemoveFile(const std::string& path) override { files_.RemoveFile(path); }

 private:
  LinuxFileSystem files_;
  Marks& marks_;
};

// A user who answers OK to every box, and a window with nothing to repaint.
class AgreeingWindow final : public WindowServices {
 public:
  explicit AgreeingWindow(Marks& marks) : marks_(marks) {}
  MessageAnswer ShowMessage(const std::string& prompt, MessageButtons buttons, const std::optional<std::string>&) override {
    if (prompt == kCompletedMessage) {
      marks_.completed = Moment::Now();
    } else if (buttons == MessageButtons::Ok) {
      marks_.refusal = prompt;
    }
    return MessageAnswer::Ok;
  }
  std::size_t AskChoice(const ChoiceBox& box) override { return box.defaultButton; }
  void YieldToEvents() override {}
  void ShowProgress(std::size_t, std::size_t) override {}
  void ReportUnhandledError(const Error& error) override { throw error; }
  void EndProgram() override {}

 private:
  Marks& marks_;
};

std::size_t NameBytes(const RenameList& list) {
  std::size_t bytes = 0;
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    bytes += list.Item(position).Text.size() + list.Item(position).Tag.size();
  }
  return bytes;
}

// Tolvane on the Linux platform with its list, marking the moments the benchmark splits its
// work at.
struct MarkedTolvane {
  explicit MarkedTolvane(const RunFolders& folders) : system(folders.executableFolder) {}
  Platform Lent() { return {files, system, window}; }
  // As the window loads a folder: one read, kept with its watch for the check of the batch.
  void Load(const std::string& folder) {
    auto listing = std::make_unique<FolderListing>(files, folder);
    list.LoadFolderItems(listing->Items());
    preview.KeepListing(std::move(listing));
  }
  // Raises when the last rename or undo did not say "File rename completed".
  void ExpectCompleted(const char* what) const {
    if (marks.completed) return;
    throw Error(ErrorNumber::PathFileAccessError, std::string("Tolvane did not ") + what + ": " + marks.refusal);
  }

  Marks marks;
  MarkingFileSystem files{marks};
  QuietSystem system;
  AgreeingWindow window{marks};
  RenameList list;
  Preview preview{list};
};

}  // namespace

PipelineMeasure RunTolvane(const RunFolders& folders) {
  MarkedTolvane tolvane(folders);
  const Marks& marks = tolvane.marks;
  RenameList& list = tolvane.list;

  const Moment start = Moment::Now();
  tolvane.Load(folders.folder);
  const Moment loaded = Moment::Now();
  tolvane.preview.Simulate(kBenchFields);
  const Moment simulated = Moment::Now();
  tolvane.preview.Rename(tolvane.Lent(), folders.folder);
  const Moment end = Moment::Now();

  tolvane.ExpectCompleted("complete the batch");
  // Rename shows its completion message right before it writes the report.
  PipelineMeasure measure;
  measure[Phase::Load] = Between(start, loaded);
  measure[Phase::Simulate] = Between(loaded, simulated);
  measure[Phase::Rename] = Between(simulated, *marks.completed);
  measure[Phase::Report] = Between(*marks.completed, end);
  measure.whole = Between(start, end);
  measure.check = Between(simulated, marks.firstRename.value_or(*marks.completed));
  measure.reportFile = Between(marks.reportOpened.value(), marks.reportClosed.value());
  measure.journal = Between(marks.journalBegun.value(), marks.journalStored.value());
  measure.folderSync = Between(marks.syncBegun.value(), marks.syncEnded.value());
  measure.entries = list.Count();
  measure.nameBytes = NameBytes(list);
  return measure;
}

PipelineMeasure RunTolvaneUndo(const RunFolders& folders) {
  MarkedTolvane tolvane(folders);
  tolvane.Load(folders.folder);
  tolvane.preview.Simulate(kBenchFields);

  const Moment commitBegun = Moment::Now();
  tolvane.preview.Rename(tolvane.Lent(), folders.folder);
  const Moment committed = Moment::Now();
  tolvane.ExpectCompleted("complete the batch");
  const Moment reportClosed = tolvane.marks.reportClosed.value();
  tolvane.marks.completed.reset();
  const Moment undoBegun = Moment::Now();
  UndoLastBatch(tolvane.Lent(), folders.folder);
  const Moment undone = Moment::Now();
  tolvane.ExpectCompleted("undo the batch");

  PipelineMeasure measure;
  measure.commit = Between(commitBegun, committed);
  measure.undo = Between(undoBegun, undone);
  measure.record = Between(reportClosed, committed);
  measure.entries = tolvane.list.Count();
  measure.nameBytes = NameBytes(tolvane.list);
  return measure;
}

}  // namespace tolvane::bench
