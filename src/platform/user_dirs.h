// Per-user folders of this system.
#pragma once

#include <string>

// Where logs and backups go ($XDG_STATE_HOME or ~/.local/state, then
// TarnRecovery), created on demand. Empty when it cannot be created.
std::string user_state_dir();
