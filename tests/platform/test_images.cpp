#include "test_images.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct scratch_s {
    std::string path;
    scratch_s()
    {
        std::string pattern = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/tarn-test-XXXXXX";
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~scratch_s()
    {
        if (!path.empty())
            run_command("rm -rf " + shell_quote(path));
    }
};

bool ends_with(const std::string &s, const std::string &tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::string scratch_dir()
{
    static scratch_s scratch;
    return scratch.path;
}

std::string shell_quote(const std::string &word)
{
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string run_command(const std::string &command, int *status)
{
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    int rc = pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

std::string shared_images_dir()
{
    const char *dir = getenv("TARN_SHARED_IMAGES");
    return dir ? dir : "";
}

namespace {
// The stored file of an image asked for by its upstream name: that file, or
// the same image recompressed with xz (x.gz and x both kept as x.xz).
std::string stored_image(const std::string &relative_path)
{
    if (shared_images_dir().empty())
        return "";
    std::string path = shared_images_dir() + "/" + relative_path;
    if (access(path.c_str(), R_OK) == 0)
        return path;
    if (ends_with(path, ".gz") && !ends_with(path, ".tgz"))
        path.resize(path.size() - 3);
    path += ".xz";
    return access(path.c_str(), R_OK) == 0 ? path : "";
}
} // namespace

std::string unpack_shared_image(const std::string &relative_path)
{
    static std::map<std::string, std::string> unpacked;
    auto found = unpacked.find(relative_path);
    if (found != unpacked.end())
        return found->second;
    std::string source = stored_image(relative_path);
    if (source.empty())
        return "";
    std::string name = source.substr(shared_images_dir().size() + 1);
    for (char &c : name)
        if (c == '/')
            c = '_';
    std::string target = scratch_dir() + "/" + name;
    std::string command;
    bool xz = ends_with(name, ".xz");
    if (xz || (ends_with(name, ".gz") && !ends_with(name, ".tgz"))) {
        target.resize(target.size() - 3);
        // Some images unpack to 1 GiB of mostly zeros: keep them sparse.
        command = std::string(xz ? "xz" : "gzip") + " -dc " + shell_quote(source) +
            " | cp --sparse=always /dev/stdin " + shell_quote(target);
    } else if (ends_with(name, ".tgz")) {
        // Each tarball holds one image named like the archive without .tgz.
        std::string folder = target + ".d";
        std::string inner = relative_path.substr(relative_path.rfind('/') + 1);
        inner.resize(inner.size() - 4);
        command =
            "mkdir -p " + shell_quote(folder) + " && tar -xf " + shell_quote(source) + " -C " + shell_quote(folder);
        target = folder + "/" + inner;
    } else {
        command = "cp " + shell_quote(source) + " " + shell_quote(target);
    }
    int status = 0;
    run_command(command, &status);
    if (status != 0 || access(target.c_str(), R_OK) != 0)
        target.clear();
    unpacked[relative_path] = target;
    return target;
}
