#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace tolvane {

Error::Error(ErrorNumber number, std::string description)
    : number_(number), description_(std::move(description)) {}

Error Error::Overflow() { return {ErrorNumber::Overflow, std::string(ClassicDescription(ErrorNumber::Overflow))}; }

Error Error::TypeMismatch() {
  return {ErrorNumber::TypeMismatch, std::string(ClassicDescription(ErrorNumber::TypeMismatch))};
}

namespace {

ErrorNumber NumberForErrno(int errnum) {
  switch (errnum) {
    case ENOENT: return ErrorNumber::FileNotFound;
    case ENOTDIR: return ErrorNumber::PathNotFound;
    case EEXIST:
    case ENOTEMPTY: return ErrorNumber::FileAlreadyExists;
    case EACCES:
    case EPERM:
    case EROFS: return ErrorNumber::PermissionDenied;
    case ENOSPC:
    case EDQUOT: return ErrorNumber::DiskFull;
    case EXDEV: return ErrorNumber::DifferentDrive;
    case ENAMETOOLONG:
    case EILSEQ:
    case EINVAL: return ErrorNumber::BadFileName;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
    case EIO: return ErrorNumber::DeviceUnavailable;
    default: return ErrorNumber::PathFileAccessError;
  }
}

}  // namespace

Error Error::FromErrno(int errnum, std::string_view path) {
  const ErrorNumber number = NumberForErrno(errnum);
  std::string description(ClassicDescription(number));
  description += ": ";
  description += path;
  description += " (";
  description += std::strerror(errnum);
  description += ")";
  Error error(number, std::move(description));
  error.systemErrno_ = errnum;
  return error;
}

std::string_view ClassicDescription(ErrorNumber number) {
  switch (number) {
    case ErrorNumber::Overflow: return "Overflow";
    case ErrorNumber::SubscriptOutOfRange: return "Subscript out of range";
    case ErrorNumber::TypeMismatch: return "Type mismatch";
    case ErrorNumber::BadFileName: return "Bad file name or number";
    case ErrorNumber::FileNotFound: return "File not found";
    case ErrorNumber::FileAlreadyExists: return "File already exists";
    case ErrorNumber::DiskFull: return "Disk full";
    case ErrorNumber::DeviceUnavailable: return "Device unavailable";
    case ErrorNumber::PermissionDenied: return "Permission denied";
    case ErrorNumber::DifferentDrive: return "Can't rename with different drive";
    case ErrorNumber::PathFileAccessError: return "Path/File access error";
    case ErrorNumber::PathNotFound: return "Path not found";
  }
  return {};
}

std::ostream& operator<<(std::ostream& out, ErrorNumber number) { return out << ClassicNumber(number); }

}  // namespace tolvane
