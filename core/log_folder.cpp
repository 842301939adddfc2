#include "core/log_folder.h"

#include <optional>

namespace tolvane {

namespace {

std::optional<std::string> AbsolutePath(const std::optional<std::string>& path) {
  if (path && path->starts_with('/')) return path;
  return std::nullopt;
}

// The base folder for state that outlives a run. A relative XDG_STATE_HOME is not to be used,
// and a relative HOME could mean any folder the program happens to be started in.
std::optional<std::string> StateHome(SystemServices& system) {
  if (auto state = AbsolutePath(system.EnvironmentVariable("XDG_STATE_HOME"))) return state;
  if (auto home = AbsolutePath(system.EnvironmentVariable("HOME"))) return *home + "/.local/state";
  return std::nullopt;
}

Error NoLogFolder(ErrorNumber number, const std::string& besideProgram, const std::string& whyNotElsewhere) {
  return {number, "Tolvane has no folder to write its reports in. The folder " + besideProgram +
                      " beside the program is missing or may not be written to, and " + whyNotElsewhere + "."};
}

std::string BesideProgram(SystemServices& system) { return system.ExecutableFolder() + "/log"; }

std::string StateLogFolder(const std::string& stateHome) { return stateHome + "/tolvane/log"; }

}  // namespace

std::optional<std::string> FindLogFolder(Platform platform) {
  const std::string besideProgram = BesideProgram(platform.system);
  if (platform.files.IsWritableFolder(besideProgram)) return besideProgram;
  const std::optional<std::string> stateHome = StateHome(platform.system);
  if (!stateHome || !platform.files.IsWritableFolder(StateLogFolder(*stateHome))) return std::nullopt;
  return StateLogFolder(*stateHome);
}

std::string ChooseLogFolder(Platform platform) {
  const std::string besideProgram = BesideProgram(platform.system);
  if (platform.files.IsWritableFolder(besideProgram)) return besideProgram;
  const std::optional<std::string> stateHome = StateHome(platform.system);
  if (!stateHome) {
    throw NoLogFolder(ErrorNumber::PathNotFound, besideProgram,
                      "neither XDG_STATE_HOME nor HOME names a folder to keep them in instead");
  }
  const std::string stateFolder = StateLogFolder(*stateHome);
  try {
    platform.files.CreatePrivateFolder(stateFolder);
  } catch (const Error& cause) {
    throw NoLogFolder(cause.Number(), besideProgram,
                      "the folder " + stateFolder + " could not be created: " + cause.Description());
  }
  return stateFolder;
}

}  // namespace tolvane
