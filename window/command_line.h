#pragma once

#include <set>
#include <string>
#include <vector>

namespace tolvane {

// What the program's command line asks for. A file manager starts the program with a folder,
// or with files of one folder that the user selected.
struct CommandLine {
  enum class Action { OpenWindow, PrintHelp, PrintVersion, RefuseOption };
  Action action = Action::OpenWindow;
  // For OpenWindow: the folder or the files to open on, absolute and without "." or ".."
  // steps; none to start as the window does without arguments.
  std::vector<std::string> paths;
  // For RefuseOption: the option that is not known.
  std::string refused;
};

// Reads the arguments that follow the program's name. Paths are bytes and stay exactly as
// given; a relative one is taken from `currentFolder`. "--" ends the options, so that a file
// whose name begins with "-" can be given after it.
CommandLine ReadCommandLine(const std::vector<std::string>& arguments, const std::string& currentFolder);

// What --help and --version print, and the short usage that follows a refused option.
std::string HelpText();
std::string VersionText();
std::string UsageText();

// Files the program was started with: the folder of the first, and the names of those that lie
// in it. Files of other folders are left out, and said to be.
struct FileSelection {
  std::string folder;
  std::set<std::string> names;
  bool otherFolders = false;
};
FileSelection SelectionOf(const std::vector<std::string>& paths);

}  // namespace tolvane
