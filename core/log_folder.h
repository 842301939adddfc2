#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

namespace tolvane {

// The folder that takes the reports. (Journals live in the private state folder alone.)
//
// The folder "log" beside the executable when it is there and the user may write to it: the
// build tree makes it, and a copy of the program in the user's own folder may bring one.
// Installed for all users, the program's folder belongs to root, so otherwise the user's
// state folder takes them: $XDG_STATE_HOME/tolvane/log, or ~/.local/state/tolvane/log when
// XDG_STATE_HOME is unset or not an absolute path, made for the user alone when missing.
// Nothing is ever made beside the executable.
//
// Raises, naming both folders, when the state folder cannot be made either.
std::string ChooseLogFolder(Platform platform);

}  // namespace tolvane
