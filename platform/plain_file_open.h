#pragma once

#include <string>

namespace tolvane {

// A file opened for appending: its descriptor (the caller closes it), and whether this open
// made the file.
struct FileOpenedForAppend {
  int fd;
  bool created;
};

// Opens `path` for appending, making it when nothing holds the name. Only a plain file of its
// own is written to: a symbolic link at the name (even one that leads nowhere), a named pipe,
// a device, a socket or a folder is refused with an Error that says what stands there, and
// the open never waits for a reader of a pipe. A file that the user does not own is refused
// too, whatever its mode. A missing folder on the way is "Path not found".
FileOpenedForAppend OpenPlainFileForAppend(const std::string& path);

}  // namespace tolvane
