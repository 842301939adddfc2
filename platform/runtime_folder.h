#pragma once

#include <optional>
#include <string>

namespace tolvane {

// The folder for the sockets and locks of one login, named by XDG_RUNTIME_DIR. The window's
// toolkit keeps its own there, and warns at start when the variable is unset (a start outside
// a login session, a cron job, a container) or names a folder that is not the user's own
// private one (as after `su`).

// The folder to use: `current` when it is the user's own private folder, else
// <temporary>/tolvane-runtime-<uid>, made mode 0700 when missing, else when a stranger holds
// that name a fresh folder of a name nobody can foresee; nothing when none can be made.
// `temporary` is the folder that holds temporary files ($TMPDIR or /tmp).
std::optional<std::string> UsableRuntimeFolder(const std::optional<std::string>& current,
                                               const std::string& temporary);

// Points XDG_RUNTIME_DIR of this process, and of the programs it starts, at UsableRuntimeFolder;
// called before the window's toolkit starts. Nothing outside the process changes.
void ProvideRuntimeFolder();

}  // namespace tolvane
