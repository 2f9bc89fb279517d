// Any bytes as a settings file, and any section, key and value written into it:
// nothing crashes, what is written reads back, other keys keep their values,
// and a file that cannot be read takes no writes.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/settings/profile_file.h"
#include "core/settings/profile_text.h"
#include "core/settings/text_encoding.h"

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string expectedRead(std::string_view v) {
    v = trimmed(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

bool sameName(std::string_view a, std::string_view b) {
    a = trimmed(a);
    b = trimmed(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The first `n` NUL-separated parts of `all`; parts past its end stay empty.
void splitAtNuls(std::string_view all, std::string_view* parts, int n) {
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) {
        const std::size_t nul = all.find('\0', at);
        parts[i] = all.substr(at, nul == std::string_view::npos ? std::string_view::npos : nul - at);
        if (nul == std::string_view::npos) break;
        at = nul + 1;
    }
}

// Where the file part ends: at the fourth NUL from the end, so that a file may
// hold NULs of its own (UTF-16); npos when there are fewer than four.
std::size_t fileEnd(std::string_view all) {
    int found = 0;
    for (std::size_t i = all.size(); i-- > 0;)
        if (all[i] == '\0' && ++found == 4) return i;
    return std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // file \0 section \0 key \0 value \0 other-key
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::string_view parts[5];
    if (const std::size_t end = fileEnd(all); end != std::string_view::npos) {
        parts[0] = all.substr(0, end);
        splitAtNuls(all.substr(end + 1), parts + 1, 4);
    } else {
        splitAtNuls(all, parts, 5);
    }
    const auto& [file, section, key, value, other] = parts;

    const auto before = profile::lookup(file, section, other);
    textenc::boundaryAtOrBefore(file, 254, textenc::detect(file));
    if (!profile::invalidEntryReason(section, key, value).empty()) return 0;

    const std::string after = profile::withValue(file, section, key, value, "\n");
    const auto read = profile::lookup(after, section, key);
    if (!read || *read != expectedRead(value)) __builtin_trap();
    if (!sameName(other, key) && profile::lookup(after, section, other) != before) __builtin_trap();

    // The same through a file on disk, encodings included.
    static const std::string path = "/tmp/zorvane-profile-fuzz-" + std::to_string(::getpid()) + ".ini";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
        const std::string s(section), k(key), v(value);
        const bool unreadable = !profile::unreadableReason(path).empty();
        if (profile::writeValue(path, s, k, v)) {
            if (unreadable) __builtin_trap();  // what cannot be read is never written
            const std::string back = profile::readValue(path, s, k, "\x01missing");
            const std::string want = expectedRead(value);
            if (want.size() <= profile::kMaxValueBytes && back != want) __builtin_trap();
        }
    }
    return 0;
}
