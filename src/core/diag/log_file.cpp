#include "core/diag/log_file.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

namespace diag {
namespace {

// Paths are UTF-8 everywhere in the program; the system's wide form on Windows.
std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

LogFile::LogFile(std::string path, std::size_t limit) : path_(std::move(path)), limit_(limit) {}

void LogFile::append(std::string_view stamp, std::string_view line) {
    std::string text;
    text.reserve(stamp.size() + line.size() + 2);
    text.append(stamp).append(" ").append(line).append("\n");

    const std::filesystem::path file = pathOf(path_);
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec && size > 0 && size + text.size() > limit_) {
        const std::filesystem::path old = pathOf(oldPath());
        std::filesystem::remove(old, ec);
        std::filesystem::rename(file, old, ec);
        // A file that cannot be moved aside is started again rather than grown past its limit.
        if (ec) std::filesystem::remove(file, ec);
    }
    // The settings folder may not be made yet: the first save makes it, but a
    // reason can come before any save.
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string TimeStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, n);
}

}  // namespace diag
