#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

namespace tolvane {

// The base folder for state that outlives a run: $XDG_STATE_HOME, or ~/.local/state when
// XDG_STATE_HOME is unset or not an absolute path. Nothing when neither names a folder.
std::optional<std::string> StateHome(SystemServices& system);

// The user's private state folder, <state home>/tolvane: the one place of the journals and
// of every record of a batch, since what is read back from there renames files. It is the
// user's alone (0700): made so when missing, made so when others may enter it, and refused
// when it belongs to another user.
//
// Raises, saying why, when it cannot be had.
std::string PrivateStateFolder(Platform platform);

// The same folder when it is there already and the user's alone; nothing is made.
std::optional<std::string> FindPrivateStateFolder(Platform platform);

}  // namespace tolvane
