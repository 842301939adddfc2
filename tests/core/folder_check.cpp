#include "tests/core/folder_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "core/rename_order.h"

namespace tolvane::testing {

namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kFaultsShown = 20;

// "tolvane-moving", maybe "-N", "~" and the old name, cut at 255 bytes.
bool IsTemporaryNameOf(std::string_view name, std::string_view oldName) {
  if (!name.starts_with(kTemporaryPrefix)) return false;
  const std::size_t tilde = name.find('~', kTemporaryPrefix.size());
  if (tilde == std::string_view::npos) return false;
  const std::string_view carried = name.substr(tilde + 1);
  return carried == oldName || (name.size() == kMaxNameBytes && oldName.starts_with(carried));
}

// Gathers what is wrong, a bounded number of lines of it.
class Faults {
 public:
  template <typename... Parts>
  void Add(const Parts&... parts) {
    if (count_++ < kFaultsShown) ((text_ += "\n") += ... += ToText(parts));
  }

  ::testing::AssertionResult Result() const {
    if (count_ == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << count_ << " faults:" << text_;
  }

 private:
  static std::string ToText(const std::string& name) { return ::testing::PrintToString(name); }
  static std::string ToText(const char* text) { return text; }
  static std::string ToText(std::size_t number) { return std::to_string(number); }

  std::size_t count_ = 0;
  std::string text_;
};

}  // namespace

::testing::AssertionResult EveryFileOnce(const Contents& folder, const Batch& batch, BatchWhereabouts& where,
                                         const OutsideChanges& outside, std::size_t temporaryAllowed) {
  std::unordered_map<std::string, std::size_t> fileOfContent;
  for (std::size_t file = 0; file < batch.size(); ++file) fileOfContent.emplace(ContentOf(batch[file].oldName), file);
  std::vector<std::size_t> found(batch.size(), 0);
  where = BatchWhereabouts{std::vector<bool>(batch.size(), false), 0};
  Faults faults;
  for (const auto& [name, content] : folder) {
    if (const auto added = outside.added.find(name); added != outside.added.end() && added->second == content) continue;
    const auto file = fileOfContent.find(content);
    if (file == fileOfContent.end()) {
      faults.Add(name, " holds no file of the batch but ", content);
      continue;
    }
    const BatchFile& expected = batch[file->second];
    ++found[file->second];
    if (name == expected.newName) {
      where.renamed[file->second] = true;
    } else if (IsTemporaryNameOf(name, expected.oldName)) {
      ++where.temporary;
    } else if (name != expected.oldName) {
      faults.Add(expected.oldName, " is under ", name, ", a name nobody chose");
    }
  }
  for (const auto& [name, content] : outside.added) {
    if (!folder.contains(name) || folder.at(name) != content)
      faults.Add("the other item ", name, " was changed or lost");
  }
  for (std::size_t file = 0; file < batch.size(); ++file) {
    const std::size_t expected = outside.removed.contains(batch[file].oldName) ? 0 : 1;
    if (found[file] != expected) faults.Add(batch[file].oldName, " is there ", found[file], " times");
  }
  if (where.temporary > temporaryAllowed) faults.Add(where.temporary, " files under a temporary name");
  return faults.Result();
}

CommitScene::CommitScene(TempFolder::Storage storage, const no_replace_rename::SystemCalls& calls)
    : folder(storage), disk(calls) {
  if (mkdir(executable.Path("log").c_str(), 0755) != 0) throw std::runtime_error("cannot make the log folder");
  system.executableFolder = executable.path();
  system.environment["XDG_STATE_HOME"] = executable.Path("state");
}

void CommitScene::Load(const Batch& batch) {
  WriteBatch(folder, batch);
  for (const BatchFile& file : batch) list.Add(file.oldName);
  // A real preview, so that the flags are those it leaves, then the batch's own new names.
  preview.Simulate(NamingFields{});
  for (std::size_t file = 0; file < batch.size(); ++file) {
    list.Item(static_cast<RenameList::Position>(file + 1)).Text = batch[file].newName;
  }
}

void CommitScene::Rename() { preview.Rename(Platform{files, system, window}, folder.path()); }

bool CommitScene::KeepPreviewCheck() {
  auto checked = std::make_unique<CheckedBatch>(list, files.OpenFolder(folder.path()), folder.path());
  const bool holds = checked->StillHolds(list, folder.path());
  preview.KeepCheck(std::move(checked));
  return holds;
}

bool CommitScene::KeepLoadsRead() {
  auto listing = std::make_unique<FolderListing>(files, folder.path());
  const bool holds = listing->StillLists(*files.OpenFolder(folder.path()));
  preview.KeepListing(std::move(listing));
  return holds;
}

std::string StopReason(const CommitScene& scene) {
  if (scene.window.messages.size() < 2) return {};
  const std::string& prompt = scene.window.messages[1].prompt;
  const std::size_t start = prompt.find('\n') + 1;
  return prompt.substr(start, prompt.find('\n', start) - start);
}

::testing::AssertionResult ToldTheStop(const CommitScene& scene, const Batch& batch, const BatchWhereabouts& where,
                                       const BatchFile& failed, const std::string& reason) {
  const std::vector<FakeWindow::Message>& messages = scene.window.messages;
  if (messages.size() != 2 || messages[1].title) {
    return ::testing::AssertionFailure() << messages.size() << " messages, the last: " << scene.LastPrompt();
  }
  std::string renamedLines;
  for (std::size_t file = 0; file < batch.size(); ++file) {
    if (where.renamed[file]) renamedLines += batch[file].oldName + " -> " + batch[file].newName + "\r\n";
  }
  const auto renamed = std::count(where.renamed.begin(), where.renamed.end(), true);
  const std::string told = "Renaming stopped at \"" + failed.oldName + "\" -> \"" + failed.newName + "\":\n" + reason +
                           "\n" + std::to_string(renamed) + " of " + std::to_string(batch.size()) +
                           " files were renamed; the others keep their old names.";
  const std::string& prompt = messages[1].prompt;
  const bool toldTheStrandedFile = where.temporary > 0 && prompt.starts_with(told + "\nThe file ");
  if (prompt != told && !toldTheStrandedFile) {
    return ::testing::AssertionFailure() << "the message\n" << prompt << "\ninstead of\n" << told;
  }
  const std::string report = scene.ReportWritten() ? scene.Report() : "(no report)";
  const std::string expectedReport = kReportHeader + renamedLines + "Process stopped: " + reason + "\r\n";
  if (report != expectedReport) {
    return ::testing::AssertionFailure() << "the report\n" << report << "\ninstead of\n" << expectedReport;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult RefusedWith(const CommitScene& scene, const std::string& line) {
  const std::string prompt = scene.LastPrompt();
  if (scene.window.messages.size() != 2 || !prompt.starts_with("Nothing was renamed, because of these problems:\n") ||
      prompt.find("\n" + line) == std::string::npos) {
    return ::testing::AssertionFailure() << "the message\n" << prompt << "\nlists no line\n" << line;
  }
  if (scene.files.renamesAsked != 0 || scene.ReportWritten() || !scene.system.launches.empty()) {
    return ::testing::AssertionFailure() << scene.files.renamesAsked
                                         << " renames asked, report written: " << scene.ReportWritten();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace tolvane::testing
