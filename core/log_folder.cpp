#include "core/log_folder.h"

#include <optional>

#include "core/state_folder.h"

namespace tolvane {

namespace {

Error NoLogFolder(ErrorNumber number, const std::string& besideProgram, const std::string& whyNotElsewhere) {
  return {number, "Tolvane has no folder to write its reports in. The folder " + besideProgram +
                      " beside the program is missing or may not be written to, and " + whyNotElsewhere + "."};
}

std::string BesideProgram(SystemServices& system) { return system.ExecutableFolder() + "/log"; }

std::string StateLogFolder(const std::string& stateHome) { return stateHome + "/tolvane/log"; }

}  // namespace

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
