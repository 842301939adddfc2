#include "core/state_folder.h"

namespace tolvane {

namespace {

std::optional<std::string> AbsolutePath(const std::optional<std::string>& path) {
  if (path && path->starts_with('/')) return path;
  return std::nullopt;
}

std::optional<std::string> TolvaneFolder(SystemServices& system) {
  const std::optional<std::string> stateHome = StateHome(system);
  if (!stateHome) return std::nullopt;
  return *stateHome + "/tolvane";
}

}  // namespace

// A relative XDG_STATE_HOME is not to be used, and a relative HOME could mean any folder the
// program happens to be started in.
std::optional<std::string> StateHome(SystemServices& system) {
  if (auto state = AbsolutePath(system.EnvironmentVariable("XDG_STATE_HOME"))) return state;
  if (auto home = AbsolutePath(system.EnvironmentVariable("HOME"))) return *home + "/.local/state";
  return std::nullopt;
}

std::string PrivateStateFolder(Platform platform) {
  const std::optional<std::string> folder = TolvaneFolder(platform.system);
  if (!folder) {
    throw Error(ErrorNumber::PathNotFound,
                "Neither XDG_STATE_HOME nor HOME names a folder for Tolvane to keep its journals in.");
  }
  try {
    platform.files.CreatePrivateFolder(*folder);
    platform.files.KeepPrivate(*folder);
  } catch (const Error& cause) {
    throw Error(cause.Number(), "The folder " + *folder + " cannot keep Tolvane's journals: " + cause.Description());
  }
  return *folder;
}

std::optional<std::string> FindPrivateStateFolder(Platform platform) {
  const std::optional<std::string> folder = TolvaneFolder(platform.system);
  if (!folder) return std::nullopt;
  try {
    platform.files.KeepPrivate(*folder);
  } catch (const Error&) {
    return std::nullopt;  // missing, or not the user's: nothing in it is the user's to act on
  }
  return folder;
}

}  // namespace tolvane
