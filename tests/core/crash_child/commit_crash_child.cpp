// Commits the crash batch in a folder whose files the crash test made, undoes the last batch
// recorded for such a folder, or recovers the batch that a commit killed there left, unless
// killed first.
// Arguments: "commit", the folder, the folder that stands for the executable's (holding
// "log"), and the number of files; "undo", the folder and that executable folder; or
// "recover", that executable folder, and "ok" or "cancel" for the answer to the recovery's
// question. Writes one byte to its standard output
// once the commit is confirmed or the question answered, and exits with 0 only when the
// commit completed or the recovery raised no error.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/batch_recovery.h"
#include "core/batch_undo.h"
#include "core/preview.h"
#include "platform/linux_file_system.h"
#include "tests/core/crash_child/crash_batch.h"
#include "tests/support/fake_platform.h"

namespace {

using tolvane::MessageAnswer;
using tolvane::MessageButtons;

// Answers every question with `answer`, and tells the test through standard output when the
// renaming begins.
class SignallingWindow final : public tolvane::WindowServices {
 public:
  explicit SignallingWindow(MessageAnswer answer) : answer_(answer) {}
  MessageAnswer ShowMessage(const std::string& prompt, MessageButtons buttons,
                            const std::optional<std::string>&) override {
    if (buttons == MessageButtons::OkCancel && write(STDOUT_FILENO, "!", 1) != 1) std::perror("signal");
    completed = prompt == "File rename completed";
    return answer_;
  }
  // The recovery's question: Finish for "ok", Undo for "cancel".
  std::size_t AskChoice(const tolvane::ChoiceBox&) override {
    if (write(STDOUT_FILENO, "!", 1) != 1) std::perror("signal");
    return answer_ == MessageAnswer::Ok ? 0 : 1;
  }
  void YieldToEvents() override {}
  void ShowProgress(std::size_t, std::size_t) override {}
  void ReportUnhandledError(const tolvane::Error& error) override {
    std::fprintf(stderr, "%s\n", error.Description().c_str());
    failed = true;
  }
  void EndProgram() override {}

  bool completed = false;
  bool failed = false;

 private:
  MessageAnswer answer_;
};

int Commit(const char* folder, const char* executableFolder, int files) {
  tolvane::RenameList list;
  tolvane::testing::ListAsPreviewed(list, tolvane::testing::CrashBatch(files));
  tolvane::LinuxFileSystem disk;
  tolvane::testing::FakeSystem system;
  system.executableFolder = executableFolder;
  system.environment["XDG_STATE_HOME"] = std::string(executableFolder) + "/state";
  SignallingWindow window(MessageAnswer::Ok);
  tolvane::Preview preview(list);
  try {
    preview.Rename(tolvane::Platform{disk, system, window}, folder);
  } catch (const tolvane::Error& error) {
    std::fprintf(stderr, "%s\n", error.Description().c_str());
    return 1;
  }
  return window.completed ? 0 : 1;
}

int Undo(const char* folder, const char* executableFolder) {
  tolvane::LinuxFileSystem disk;
  tolvane::testing::FakeSystem system;
  system.executableFolder = executableFolder;
  system.environment["XDG_STATE_HOME"] = std::string(executableFolder) + "/state";
  SignallingWindow window(MessageAnswer::Ok);
  try {
    tolvane::UndoLastBatch(tolvane::Platform{disk, system, window}, folder);
  } catch (const tolvane::Error& error) {
    std::fprintf(stderr, "%s\n", error.Description().c_str());
    return 1;
  }
  return window.completed ? 0 : 1;
}

int Recover(const char* executableFolder, MessageAnswer answer) {
  tolvane::LinuxFileSystem disk;
  tolvane::testing::FakeSystem system;
  system.executableFolder = executableFolder;
  system.environment["XDG_STATE_HOME"] = std::string(executableFolder) + "/state";
  SignallingWindow window(answer);
  tolvane::RecoverUnfinishedBatches(tolvane::Platform{disk, system, window});
  return window.failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "commit" && argc == 5) return Commit(argv[2], argv[3], std::stoi(argv[4]));
  if (mode == "undo" && argc == 4) return Undo(argv[2], argv[3]);
  if (mode == "recover" && argc == 4) {
    return Recover(argv[2], std::string(argv[3]) == "ok" ? MessageAnswer::Ok : MessageAnswer::Cancel);
  }
  std::fprintf(stderr,
               "usage: %s commit FOLDER EXECUTABLE-FOLDER FILES | undo FOLDER EXECUTABLE-FOLDER"
               " | recover EXECUTABLE-FOLDER ok|cancel\n",
               argv[0]);
  return 2;
}
