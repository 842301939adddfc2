#include "tests/support/scripted_calls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <string_view>

namespace tolvane::testing {

namespace {

ScriptedCalls* script = nullptr;

ScriptedCalls& Script() {
  if (script == nullptr) throw std::logic_error("a scripted system call was made without a script");
  return *script;
}

// Notes the call and says whether it is to fail, with errno set for it.
bool Fails(CallFailures& failures, const std::string& call) {
  Script().made.push_back(call);
  const int failure = failures.Take();
  if (failure == 0) return false;
  errno = failure;
  return true;
}

int Renameat2(int oldFolder, const char* oldName, int newFolder, const char* newName, unsigned int flags) {
  if (Fails(Script().renameat2, std::string("renameat2 ") + oldName + " " + newName)) return -1;
  return ::renameat2(oldFolder, oldName, newFolder, newName, flags);
}

int Linkat(int oldFolder, const char* oldName, int newFolder, const char* newName, int flags) {
  if (Fails(Script().linkat, std::string("linkat ") + oldName + " " + newName)) return -1;
  return ::linkat(oldFolder, oldName, newFolder, newName, flags);
}

int Unlinkat(int folder, const char* name, int flags) {
  if (Fails(Script().unlinkat, std::string("unlinkat ") + name)) return -1;
  return ::unlinkat(folder, name, flags);
}

int Renameat(int oldFolder, const char* oldName, int newFolder, const char* newName) {
  if (Fails(Script().renameat, std::string("renameat ") + oldName + " " + newName)) {
    const int failure = errno;
    switch (Script().failedRenameat) {
      case ScriptedCalls::FailedRenameat::TouchesNothing: break;
      case ScriptedCalls::FailedRenameat::TakesOldName: ::unlinkat(oldFolder, oldName, 0); break;
      case ScriptedCalls::FailedRenameat::Renames: ::renameat(oldFolder, oldName, newFolder, newName); break;
    }
    errno = failure;
    return -1;
  }
  return ::renameat(oldFolder, oldName, newFolder, newName);
}

int Fstatat(int folder, const char* name, struct stat* info, int flags) {
  if (::fstatat(folder, name, info, flags) != 0) return -1;
  if (const std::optional<StickyFolder>& sticky = Script().sticky) {
    const bool isFolder = std::string_view(name) == ".";
    if (isFolder) info->st_mode |= S_ISVTX;
    info->st_uid = isFolder ? sticky->folderOwner : sticky->fileOwner;
  }
  return 0;
}

int Fsync(int fd) {
  if (Fails(Script().fsync, "fsync")) return -1;
  return ::fsync(fd);
}

int Flock(int fd, int operation) {
  if (Script().beforeFlock) Script().beforeFlock();
  return ::flock(fd, operation);
}

uid_t Geteuid() { return Script().sticky ? Script().sticky->user : ::geteuid(); }

}  // namespace

int CallFailures::Take() {
  if (next.empty()) return after;
  const int failure = next.front();
  next.pop_front();
  return failure;
}

ScriptedCalls::ScriptedCalls() {
  if (script != nullptr) throw std::logic_error("one script at a time");
  script = this;
}

ScriptedCalls::~ScriptedCalls() { script = nullptr; }

const no_replace_rename::SystemCalls& ScriptedCalls::Table() {
  static const no_replace_rename::SystemCalls calls{Renameat2, Linkat, Unlinkat, Fstatat, Renameat, Geteuid, Fsync, Flock};
  return calls;
}

}  // namespace tolvane::testing
