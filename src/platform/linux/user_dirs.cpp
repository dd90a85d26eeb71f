#include "../user_dirs.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// mkdir -p; true when the folder exists afterwards.
bool make_folders(const std::string &path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string user_state_dir()
{
    std::string base;
    const char *state = getenv("XDG_STATE_HOME");
    // The XDG rules ignore relative paths.
    if (state && state[0] == '/') {
        base = state;
    } else {
        const char *home = getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd *pw = getpwuid(getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || home[0] != '/')
            return "";
        base = std::string(home) + "/.local/state";
    }
    std::string dir = base + "/TarnRecovery";
    return make_folders(dir) ? dir : "";
}
