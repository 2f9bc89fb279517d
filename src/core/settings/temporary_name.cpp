#include "core/settings/temporary_name.h"

#include <string_view>

namespace atomicfile {

namespace {

std::string fixedPart(const std::string& fileName) { return "." + fileName + ".saving-"; }

// ASCII only, whatever the locale: the random part is made of these.
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetterOrDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string temporaryPrefix(const std::string& fileName, unsigned long pid) {
    return fixedPart(fileName) + std::to_string(pid) + "-";
}

std::optional<unsigned long> temporaryOwner(const std::string& candidate, const std::string& fileName) {
    const std::string fixed = fixedPart(fileName);
    if (!candidate.starts_with(fixed)) return std::nullopt;
    std::string_view rest = std::string_view(candidate).substr(fixed.size());
    const auto dash = rest.find('-');
    // Process ids have at most ten digits on either system.
    if (dash == 0 || dash > 10 || rest.size() != dash + 1 + kRandomLength) return std::nullopt;
    unsigned long long pid = 0;
    for (const char c : rest.substr(0, dash)) {
        if (!isDigit(c)) return std::nullopt;
        pid = pid * 10 + static_cast<unsigned>(c - '0');
    }
    for (const char c : rest.substr(dash + 1))
        if (!isLetterOrDigit(c)) return std::nullopt;
    if (pid > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<unsigned long>(pid);
}

bool isStale(bool ownerRunning, long long ageSeconds) { return !ownerRunning || ageSeconds >= 60; }

}  // namespace atomicfile
