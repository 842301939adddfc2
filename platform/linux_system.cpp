#include "platform/linux_system.h"

#include <langinfo.h>
#include <locale.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

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

// The spawn's result as the child reported it; ECHILD when the child did not end normally.
int AwaitChild(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return errno;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : ECHILD;
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

void LinuxSystem::LaunchProgram(const std::vector<std::string>& arguments) {
  if (arguments.empty()) throw Error(ErrorNumber::FileNotFound, "File not found: no program to start");
  // Everything the child needs is made before fork: after it, a program with threads may
  // only call what is safe there.
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const DetachedSpawnAttributes attributes;
  // The child only starts the program and ends, so the program becomes nobody's child
  // to await and no zombie is left; the child's exit status carries the spawn's result.
  const pid_t child = fork();
  if (child < 0) throw Error::FromErrno(errno, arguments.front());
  if (child == 0) {
    pid_t program = 0;
    _exit(posix_spawnp(&program, argv[0], nullptr, attributes.get(), argv.data(), environ));
  }
  if (const int failure = AwaitChild(child); failure != 0) throw Error::FromErrno(failure, arguments.front());
}

}  // namespace tolvane
