#include "core/playback/action_string.h"

namespace playback {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The n-th "|"-separated field (0-based), empty fields included.
std::optional<std::string_view> field(std::string_view text, std::size_t n) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t bar = text.find('|', start);
        if (bar == std::string_view::npos) return std::nullopt;
        start = bar + 1;
    }
    const std::size_t end = text.find('|', start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

}  // namespace

std::optional<std::uint8_t> ParseKeyField(std::string_view f) {
    while (!f.empty() && isBlank(f.front())) f.remove_prefix(1);
    while (!f.empty() && isBlank(f.back())) f.remove_suffix(1);

    std::size_t i = 0;
    unsigned long whole = 0;
    while (i < f.size() && isDigit(f[i])) {
        whole = whole * 10 + static_cast<unsigned long>(f[i] - '0');
        if (whole > 1000) return std::nullopt;
        ++i;
    }
    const bool hasWhole = i > 0;
    std::string_view fraction;
    if (i < f.size() && f[i] == '.') {
        const std::size_t start = ++i;
        while (i < f.size() && isDigit(f[i])) ++i;
        fraction = f.substr(start, i - start);
    }
    if (i != f.size() || (!hasWhole && fraction.empty())) return std::nullopt;

    // Round the exact decimal fraction: above one half up, exactly one half to even.
    if (!fraction.empty()) {
        const bool atLeastHalf = fraction[0] >= '5';
        const bool aboveHalf = fraction[0] > '5' || (fraction[0] == '5' && fraction.substr(1).find_first_not_of('0') !=
                                                                               std::string_view::npos);
        if (aboveHalf || (atLeastHalf && whole % 2 == 1)) ++whole;
    }
    if (whole > 255) return std::nullopt;
    return static_cast<std::uint8_t>(whole);
}

std::optional<std::vector<std::uint8_t>> ParseActionString(std::string_view textall) {
    const auto countField = field(textall, 0);
    std::size_t count = 0;
    if (countField == "1")
        count = 1;
    else if (countField == "2")
        count = 2;
    else if (countField == "3")
        count = 3;
    else
        return std::nullopt;

    std::vector<std::uint8_t> keys;
    for (std::size_t k = 1; k <= count; ++k) {
        const auto f = field(textall, k);
        if (!f) return std::nullopt;
        const auto code = ParseKeyField(*f);
        if (!code) return std::nullopt;
        keys.push_back(*code);
    }
    return keys;
}

}  // namespace playback
