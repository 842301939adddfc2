#include "tests/support/faulty_file_system.h"

namespace tolvane::testing {

void FaultyFileSystem::FailRename(std::size_t position, int errnum, RenameFilter filter, bool persistent) {
  failAt_ = position;
  errnum_ = errnum;
  filter_ = std::move(filter);
  persistent_ = persistent;
  matched_ = 0;
}

void FaultyFileSystem::RenameFile(const std::string& oldPath, const std::string& newPath) {
  ++renamesAsked;
  if (failAt_ != 0 && (!filter_ || filter_(oldPath, newPath))) {
    ++matched_;
    if (matched_ == failAt_ || (persistent_ && matched_ > failAt_)) {
      ++renamesFailed;
      throw Error::FromErrno(errnum_, oldPath);
    }
  }
  inner_.RenameFile(oldPath, newPath);
}

}  // namespace tolvane::testing
