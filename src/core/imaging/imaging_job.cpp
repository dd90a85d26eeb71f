#include "imaging_job.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "platform/disk_in_use.h"

namespace {

// A map of millions of areas is still far below this.
constexpr std::streamoff largest_map = 256ll << 20;

// Whether two names, either of which may not exist yet, name one file.
bool same_path(const std::string &a, const std::string &b)
{
    std::error_code error;
    auto normal = [&](const std::string &p) {
        return std::filesystem::weakly_canonical(std::filesystem::absolute(p, error), error).lexically_normal();
    };
    return normal(a) == normal(b);
}

} // namespace

bool read_map_file(const std::string &path, rescue_map_c &out, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = path + ": cannot be read";
        return false;
    }
    in.seekg(0, std::ios::end);
    if (in.tellg() > largest_map) {
        if (error)
            *error = path + ": too large for a map";
        return false;
    }
    in.seekg(0);
    std::ostringstream text;
    text << in.rdbuf();
    std::string why;
    if (!rescue_map_c::parse(text.str(), out, &why)) {
        if (error)
            *error = path + ": not a map: " + why;
        return false;
    }
    return true;
}

std::unique_ptr<imaging_job_c> imaging_job_c::open(const imaging_request_s &request, std::string *error)
{
    auto fail = [&](const std::string &why) -> std::unique_ptr<imaging_job_c> {
        if (error)
            *error = why;
        return nullptr;
    };
    std::shared_ptr<block_device_c> source = open_block_device(request.source, open_mode_e::read_unbuffered, error);
    if (!source)
        return nullptr;
    if (source->size() == 0)
        return fail(request.source + ": holds no bytes");
    const std::string conflict = destination_conflict(request.source, request.destination);
    if (!conflict.empty())
        return fail(request.destination + ": " + conflict);
    if (same_path(request.map_path, request.source) || same_path(request.map_path, request.destination))
        return fail(request.map_path + ": the map must be a file of its own");
    struct stat st {};
    if (stat(request.destination.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
        const std::vector<std::string> users = disk_users(request.destination);
        if (!users.empty())
            return fail(request.destination + ": in use: " + users.front());
    }
    rescue_map_c map(source->size());
    const bool resumed = stat(request.map_path.c_str(), &st) == 0;
    if (resumed) {
        if (!read_map_file(request.map_path, map, error))
            return nullptr;
        if (!map.fit(source->size()))
            return fail(request.map_path + ": the map is of a larger source");
    }
    std::unique_ptr<image_output_c> output = open_image_output(request.destination, source->size(), error);
    if (!output)
        return nullptr;
    auto imager = std::make_unique<disk_imager_c>(source, std::move(output), std::move(map), request.map_path,
                                                  request.options);
    return std::unique_ptr<imaging_job_c>(new imaging_job_c(std::move(imager), resumed));
}

imaging_job_c::imaging_job_c(std::unique_ptr<disk_imager_c> imager, bool resumed)
    : imager_(std::move(imager)), resumed_(resumed)
{}

imaging_job_c::~imaging_job_c()
{
    if (thread_.joinable()) {
        imager_->stop();
        thread_.join();
    }
}

void imaging_job_c::start()
{
    thread_ = std::thread([this] {
        result_ = imager_->run();
        done_ = true;
    });
}

bool imaging_job_c::wait(int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done_ && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 20)));
    if (done_ && thread_.joinable())
        thread_.join();
    return done_;
}
