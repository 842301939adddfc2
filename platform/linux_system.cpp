#include "platform/linux_system.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>

#include "platform/date_format.h"

namespace tolvane {

namespace {

constexpr const char* kExecutableLink = "/proc/self/exe";

std::string ReadLink(const char* link) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink(link, target.data(), target.size());
    if (length < 0) throw Error::FromErrno(errno, link);
    // A target that fills the buffer may have been cut: read again with more room.
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The attributes of the launched program: a session of its own, so that it outlives us
// and our terminal, and no signal blocked that the program would not expect.
class DetachedSpawnAttributes {
 public:
  DetachedSpawnAttributes() {
    posix_spawnattr_init(&attributes_);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
  }
  ~DetachedSpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  DetachedSpawnAttributes(const DetachedSpawnAttributes&) = delete;
  DetachedSpawnAttributes& operator=(const DetachedSpawnAttributes&) = delete;

  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
};

// What the go-between child tells the caller about the program it started.
struct LaunchOutcome {
  int spawnError = 0;  // the errno of a start that failed; 0 when the program started
  bool ended = false;  // the program ended while it was watched
  int waitStatus = 0;  // then how it ended, as waitpid gives it
};

std::int64_t NanosecondsSince(const timespec& start) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (static_cast<std::int64_t>(now.tv_sec) - start.tv_sec) * 1'000'000'000 + (now.tv_nsec - start.tv_nsec);
}

// In the go-between child, after fork: waits until the program ends or the watch is over,
// with nothing but calls that are safe there.
LaunchOutcome WatchProgram(pid_t program, std::int64_t watchNanoseconds) {
  constexpr timespec kPoll{0, 10'000'000};
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  LaunchOutcome outcome;
  for (;;) {
    const pid_t ended = waitpid(program, &outcome.waitStatus, WNOHANG);
    if (ended == program) {
      outcome.ended = true;
      return outcome;
    }
    if (ended < 0 && errno != EINTR) return outcome;
    if (NanosecondsSince(start) >= watchNanoseconds) return outcome;
    nanosleep(&kPoll, nullptr);
  }
}

// Reaps the go-between child, which ends as soon as it has told its outcome.
void AwaitChild(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

bool ReadOutcome(int fd, LaunchOutcome& outcome) {
  for (;;) {
    const ssize_t count = read(fd, &outcome, sizeof outcome);
    if (count < 0 && errno == EINTR) continue;
    return count == static_cast<ssize_t>(sizeof outcome);
  }
}

void RaiseIfFailed(const LaunchOutcome& outcome, const std::string& program) {
  if (outcome.spawnError != 0) throw Error::FromErrno(outcome.spawnError, program);
  if (!outcome.ended) return;
  const int status = outcome.waitStatus;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  const std::string how = WIFEXITED(status) ? "ended with status " + std::to_string(WEXITSTATUS(status))
                                            : "was ended by signal " + std::to_string(WTERMSIG(status));
  throw Error(ErrorNumber::PathFileAccessError, program + " " + how);
}

}  // namespace

DateTime LinuxSystem::CurrentDateTime() {
  const time_t now = time(nullptr);
  struct tm local {};
  if (!localtime_r(&now, &local)) throw Error::Overflow();
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

MonthNames LinuxSystem::MonthAbbreviations() {
  locale_t locale = newlocale(LC_TIME_MASK, "", nullptr);
  if (!locale) locale = newlocale(LC_TIME_MASK, "C", nullptr);
  if (!locale) return EnglishMonthAbbreviations();
  MonthNames names;
  for (int month = 0; month < 12; ++month) {
    names[static_cast<std::size_t>(month)] = nl_langinfo_l(static_cast<nl_item>(ABMON_1 + month), locale);
  }
  freelocale(locale);
  return names;
}

std::string LinuxSystem::ExecutableFolder() { return FolderOf(ReadLink(kExecutableLink)); }

std::optional<std::string> LinuxSystem::CurrentFolder() {
  std::string folder(256, '\0');
  while (getcwd(folder.data(), folder.size()) == nullptr) {
    // Only a path longer than the buffer is worth another try.
    if (errno != ERANGE) return std::nullopt;
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return folder;
}

void LinuxSystem::LaunchProgram(const std::vector<std::string>& arguments) {
  if (arguments.empty()) throw Error(ErrorNumber::FileNotFound, "File not found: no program to start");
  // Everything the child needs is made before fork: after it, a program with threads may
  // only call what is safe there.
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const DetachedSpawnAttributes attributes;
  const std::int64_t watchNanoseconds = std::chrono::nanoseconds(launchWatch_).count();
  int pipeEnds[2];
  // Close-on-exec, so that the program holds no end of it and its end tells the outcome.
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw Error::FromErrno(errno, arguments.front());
  // The child starts the program, watches its start and ends, so that the program becomes
  // nobody's child to await and no zombie is left.
  const pid_t child = fork();
  if (child < 0) {
    const int failure = errno;
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    throw Error::FromErrno(failure, arguments.front());
  }
  if (child == 0) {
    close(pipeEnds[0]);
    LaunchOutcome outcome;
    pid_t program = 0;
    outcome.spawnError = posix_spawnp(&program, argv[0], nullptr, attributes.get(), argv.data(), environ);
    if (outcome.spawnError == 0) outcome = WatchProgram(program, watchNanoseconds);
    const ssize_t written = write(pipeEnds[1], &outcome, sizeof outcome);
    _exit(written == static_cast<ssize_t>(sizeof outcome) ? 0 : 1);
  }
  close(pipeEnds[1]);
  LaunchOutcome outcome;
  const bool told = ReadOutcome(pipeEnds[0], outcome);
  close(pipeEnds[0]);
  AwaitChild(child);
  if (!told) throw Error::FromErrno(ECHILD, arguments.front());
  RaiseIfFailed(outcome, arguments.front());
}

std::optional<std::string> LinuxSystem::EnvironmentVariable(const std::string& name) {
  const char* value = getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

}  // namespace tolvane
