#include "core/plain_reason.h"

#include <cerrno>

namespace tolvane {

std::string PlainReason(const Error& cause, const std::string& folder) {
  switch (cause.Number()) {
    case ErrorNumber::FileNotFound:
    case ErrorNumber::PathNotFound:
      if (cause.SystemErrno() == ENOTDIR) return folder + " is a file, not a folder";
      return "the folder " + folder + " does not exist";
    case ErrorNumber::PermissionDenied: return "Tolvane is not allowed to write there";
    case ErrorNumber::DiskFull: return "the disk is full";
    default: return cause.Description();
  }
}

}  // namespace tolvane
