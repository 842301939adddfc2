// Commits the crash batch in a folder whose files the crash test made, unless killed first.
// Arguments: the folder, the folder that stands for the executable's (holding "log"), and the
// number of files. Writes one byte to its standard output once the commit is confirmed and
// exits with 0 only when the commit completed.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/preview.h"
#include "platform/linux_file_system.h"
#include "tests/core/crash_child/crash_batch.h"
#include "tests/support/fake_platform.h"

namespace {

using tolvane::MessageAnswer;
using tolvane::MessageButtons;

// Answers OK, and tells the test through standard output when the renaming begins.
class SignallingWindow final : public tolvane::WindowServices {
 public:
  MessageAnswer ShowMessage(const std::string& prompt, MessageButtons buttons,
                            const std::optional<std::string>&) override {
    if (buttons == MessageButtons::OkCancel && write(STDOUT_FILENO, "!", 1) != 1) std::perror("signal");
    completed = prompt == "File rename completed";
    return MessageAnswer::Ok;
  }
  void YieldToEvents() override {}
  void ShowProgress(std::size_t, std::size_t) override {}
  void ReportUnhandledError(const tolvane::Error&) override {}
  void EndProgram() override {}

  bool completed = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FOLDER EXECUTABLE-FOLDER FILES\n", argv[0]);
    return 2;
  }
  tolvane::RenameList list;
  tolvane::testing::ListAsPreviewed(list, tolvane::testing::CrashBatch(std::stoi(argv[3])));
  tolvane::LinuxFileSystem files;
  tolvane::testing::FakeSystem system;
  system.executableFolder = argv[2];
  SignallingWindow window;
  tolvane::Preview preview(list);
  try {
    preview.Rename(tolvane::Platform{files, system, window}, argv[1]);
  } catch (const tolvane::Error& error) {
    std::fprintf(stderr, "%s\n", error.Description().c_str());
    return 1;
  }
  return window.completed ? 0 : 1;
}
