#include "window/command_line.h"

#include <filesystem>

#include "platform/path.h"
#include "window/version.h"

namespace tolvane {

namespace {

// "/a/./b/../c/" is "/a/c": the path as the folder list shows it. Only the text is looked at,
// so a ".." after a link goes up the link's own path, as a shell's cd does.
std::string AbsolutePath(const std::string& argument, const std::string& currentFolder) {
  const std::string joined = argument.starts_with(kPathSeparator) ? argument : JoinPath(currentFolder, argument);
  std::string normal = std::filesystem::path(joined).lexically_normal().native();
  while (normal.size() > 1 && normal.ends_with(kPathSeparator)) normal.pop_back();
  return normal;
}

}  // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& arguments, const std::string& currentFolder) {
  CommandLine line;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (!optionsEnded && argument.starts_with('-') && argument.size() > 1) {
      if (argument == "--") {
        optionsEnded = true;
      } else if (argument == "--help" || argument == "-h") {
        return CommandLine{CommandLine::Action::PrintHelp, {}, {}};
      } else if (argument == "--version") {
        return CommandLine{CommandLine::Action::PrintVersion, {}, {}};
      } else {
        return CommandLine{CommandLine::Action::RefuseOption, {}, argument};
      }
      continue;
    }
    line.paths.push_back(AbsolutePath(argument, currentFolder));
  }
  return line;
}

std::string UsageText() { return "Usage: tolvane [FOLDER | FILE...]\n"; }

std::string HelpText() {
  return UsageText() +
         "Renames the files of one folder in one batch after a numbering pattern.\n"
         "\n"
         "  FOLDER      open the window on this folder and list its files\n"
         "  FILE...     open the window on the folder of these files and list only them\n"
         "  -h, --help  print this help and exit\n"
         "  --version   print the version and exit\n"
         "  --          take every argument after it as a path\n"
         "\n"
         "Without an argument the window opens on the current folder with an empty list.\n";
}

std::string VersionText() { return std::string("Tolvane ") + kDisplayedVersion + "\n"; }

FileSelection SelectionOf(const std::vector<std::string>& paths) {
  FileSelection selection;
  if (paths.empty()) return selection;
  selection.folder = SplitPath(paths.front()).first;
  for (const std::string& path : paths) {
    auto [folder, name] = SplitPath(path);
    if (folder == selection.folder) {
      selection.names.insert(std::move(name));
    } else {
      selection.otherFolders = true;
    }
  }
  return selection;
}

}  // namespace tolvane
