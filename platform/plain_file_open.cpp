#include "platform/plain_file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"

namespace tolvane {

namespace {

// O_NOFOLLOW refuses a link at the name; O_NONBLOCK keeps a pipe from holding the open until
// someone reads it, and is cleared once the file is known to be plain.
constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
// A name removed between the two opens is looked at again, a few times at most.
constexpr int kOpenTries = 3;

const char* KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISDIR(mode)) return "a folder";
  return "something other than a file";
}

[[noreturn]] void RaiseRefused(const std::string& path, const std::string& why) {
  throw Error(ErrorNumber::PathFileAccessError,
              std::string(ClassicDescription(ErrorNumber::PathFileAccessError)) + ": " + path + " is " + why);
}

[[noreturn]] void RaiseNotAPlainFile(const std::string& path, mode_t mode) {
  RaiseRefused(path, std::string(KindOf(mode)) + ", not a file");
}

[[noreturn]] void RaiseOpenFailure(int failure, const std::string& path) {
  // With O_CREAT a missing name can only be a missing folder on the way.
  if (failure == ENOENT) {
    throw Error(ErrorNumber::PathNotFound, std::string(ClassicDescription(ErrorNumber::PathNotFound)) + ": " + path +
                                               " (" + std::strerror(failure) + ")");
  }
  // A link, a pipe without a reader, a device without its hardware or a folder: say which.
  struct stat info {};
  if ((failure == ELOOP || failure == ENXIO || failure == EISDIR || failure == ENODEV) &&
      lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    RaiseNotAPlainFile(path, info.st_mode);
  }
  throw Error::FromErrno(failure, path);
}

// A new file when the name is free, else the file already there.
FileOpenedForAppend OpenEitherWay(const std::string& path) {
  int failure = 0;
  for (int attempt = 0; attempt < kOpenTries; ++attempt) {
    const int made = open(path.c_str(), kAppendFlags | O_CREAT | O_EXCL, 0644);
    if (made >= 0) return {made, true};
    if (errno != EEXIST) RaiseOpenFailure(errno, path);
    const int found = open(path.c_str(), kAppendFlags);
    if (found >= 0) return {found, false};
    failure = errno;
    if (failure != ENOENT) break;
  }
  RaiseOpenFailure(failure, path);
}

}  // namespace

FileOpenedForAppend OpenPlainFileForAppend(const std::string& path) {
  const FileOpenedForAppend file = OpenEitherWay(path);
  struct stat info {};
  if (fstat(file.fd, &info) != 0) {
    const int failure = errno;
    close(file.fd);
    throw Error::FromErrno(failure, path);
  }
  // A pipe that has a reader, or a device, opens; it is refused all the same.
  if (!S_ISREG(info.st_mode)) {
    close(file.fd);
    RaiseNotAPlainFile(path, info.st_mode);
  }
  // Another user's file, however open its mode, may be one planted for the report to land in
  // where that user reads it; this process's own files are those of its effective user. A file
  // this open made is its own even where the volume gives every file one owner (FAT's uid=).
  if (!file.created && info.st_uid != geteuid()) {
    close(file.fd);
    RaiseRefused(path, "a file of another user, not one of yours");
  }
  const int flags = fcntl(file.fd, F_GETFL);
  if (flags < 0 || fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int failure = errno;
    close(file.fd);
    throw Error::FromErrno(failure, path);
  }
  return file;
}

}  // namespace tolvane
