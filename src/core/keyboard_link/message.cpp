#include "core/keyboard_link/message.h"

#include <array>
#include <charconv>
#include <type_traits>
#include <vector>

namespace keylink {

namespace {

struct Word {
    Kind kind;
    const char* name;
};
constexpr std::array<Word, 18> kWords{{{Kind::Hello, "hello"},
                                       {Kind::Welcome, "welcome"},
                                       {Kind::Refused, "refused"},
                                       {Kind::Take, "take"},
                                       {Kind::Took, "took"},
                                       {Kind::Taken, "taken"},
                                       {Kind::Drop, "drop"},
                                       {Kind::Mask, "mask"},
                                       {Kind::Down, "down"},
                                       {Kind::Up, "up"},
                                       {Kind::Tap, "tap"},
                                       {Kind::Hold, "hold"},
                                       {Kind::Holding, "holding"},
                                       {Kind::Sync, "sync"},
                                       {Kind::State, "state"},
                                       {Kind::History, "history"},
                                       {Kind::Seen, "seen"},
                                       {Kind::Hit, "hit"}}};

bool printable(char c) { return c >= 0x20 && c < 0x7f; }

std::vector<std::string_view> split(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at <= line.size() && words.size() < 5) {
        const std::size_t space = line.find(' ', at);
        words.push_back(line.substr(at, space == std::string_view::npos ? std::string_view::npos : space - at));
        if (space == std::string_view::npos) break;
        at = space + 1;
    }
    return words;
}

// A plain decimal number in [low, high]: no sign, no leading zero.
std::optional<unsigned> number(std::string_view text, unsigned low, unsigned high) {
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<Keys> keys(std::string_view text) {
    if (text.size() != kKeyDigits) return std::nullopt;
    Keys set;
    for (std::size_t i = 0; i < kKeyDigits; ++i) {
        const char c = text[kKeyDigits - 1 - i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        for (int bit = 0; bit < 4; ++bit)
            if (digit & (1 << bit)) set.set(i * 4 + bit);
    }
    if (set[0]) return std::nullopt;
    return set;
}

std::string hex(const Keys& set) {
    std::string text(kKeyDigits, '0');
    for (std::size_t i = 0; i < kKeyDigits; ++i) {
        int digit = 0;
        for (int bit = 0; bit < 4; ++bit)
            if (set[i * 4 + bit]) digit |= 1 << bit;
        text[kKeyDigits - 1 - i] = "0123456789abcdef"[digit];
    }
    return text;
}

}  // namespace

std::optional<Message> Parse(std::string_view line) {
    if (line.size() + 1 > kMaxLine) return std::nullopt;
    const std::size_t space = line.find(' ');
    const std::string_view head = line.substr(0, space);
    Message m;
    const Word* word = nullptr;
    for (const Word& w : kWords)
        if (head == w.name) word = &w;
    if (!word) return std::nullopt;
    m.kind = word->kind;
    if (m.kind == Kind::Refused) {
        if (space == std::string_view::npos) return std::nullopt;
        m.why = std::string(line.substr(space + 1));
        if (m.why.empty() || m.why.size() > kMaxWhy) return std::nullopt;
        for (const char c : m.why)
            if (!printable(c)) return std::nullopt;
        return m;
    }
    const std::vector<std::string_view> w = split(line);
    const auto arity = [&](std::size_t n) { return w.size() == n + 1; };
    const auto code = [](std::string_view t) { return number(t, 1, kMaxCode); };
    const auto id = [](std::string_view t) { return number(t, 1, kMaxChordId); };
    switch (m.kind) {
        case Kind::Hello:
        case Kind::Welcome: {
            const auto v = arity(1) ? number(w[1], 1, 9999) : std::nullopt;
            if (!v) return std::nullopt;
            m.number = int(*v);
            return m;
        }
        case Kind::Take: {
            const auto i = arity(3) ? id(w[1]) : std::nullopt;
            const auto mods = i ? number(w[2], 0, 15) : std::nullopt;
            const auto c = mods ? code(w[3]) : std::nullopt;
            if (!c) return std::nullopt;
            m.number = int(*i), m.mods = int(*mods), m.code = int(*c);
            return m;
        }
        case Kind::Took:
        case Kind::Taken:
        case Kind::Drop: {
            const auto i = arity(1) ? id(w[1]) : std::nullopt;
            if (!i) return std::nullopt;
            m.number = int(*i);
            return m;
        }
        case Kind::Mask:
        case Kind::Down:
        case Kind::Up:
        case Kind::Tap:
        case Kind::History: {
            const auto c = arity(1) ? code(w[1]) : std::nullopt;
            if (!c) return std::nullopt;
            m.code = int(*c);
            return m;
        }
        case Kind::Hold:
        case Kind::Holding: {
            const auto k = arity(1) ? keys(w[1]) : std::nullopt;
            if (!k) return std::nullopt;
            m.keys = *k;
            return m;
        }
        case Kind::Sync: return arity(0) ? std::optional(m) : std::nullopt;
        case Kind::State: {
            const auto logical = arity(2) ? keys(w[1]) : std::nullopt;
            const auto held = logical ? keys(w[2]) : std::nullopt;
            if (!held) return std::nullopt;
            m.keys = *logical, m.held = *held;
            return m;
        }
        case Kind::Seen: {
            const auto c = arity(3) ? code(w[1]) : std::nullopt;
            const auto p = c ? number(w[2], 0, 4294967295u) : std::nullopt;
            const auto r = p ? number(w[3], 0, 4294967295u) : std::nullopt;
            if (!r) return std::nullopt;
            m.code = int(*c), m.presses = *p, m.releases = *r;
            return m;
        }
        case Kind::Hit: {
            const auto i = arity(2) ? id(w[1]) : std::nullopt;
            if (!i || (w[2] != "0" && w[2] != "1")) return std::nullopt;
            m.number = int(*i), m.repeat = w[2] == "1";
            return m;
        }
        case Kind::Refused: break;
    }
    return std::nullopt;
}

std::string Format(const Message& m) {
    std::string line;
    for (const Word& w : kWords)
        if (w.kind == m.kind) line = w.name;
    const auto add = [&line](const auto& value) {
        line += ' ';
        if constexpr (std::is_convertible_v<decltype(value), std::string>)
            line += value;
        else
            line += std::to_string(value);
    };
    switch (m.kind) {
        case Kind::Hello:
        case Kind::Welcome:
        case Kind::Took:
        case Kind::Taken:
        case Kind::Drop: add(m.number); break;
        case Kind::Refused: {
            std::string why = m.why.substr(0, kMaxWhy);
            for (char& c : why)
                if (!printable(c)) c = '?';
            add(why.empty() ? std::string("?") : why);
            break;
        }
        case Kind::Take: add(m.number), add(m.mods), add(m.code); break;
        case Kind::Mask:
        case Kind::Down:
        case Kind::Up:
        case Kind::Tap:
        case Kind::History: add(m.code); break;
        case Kind::Hold:
        case Kind::Holding: add(hex(m.keys)); break;
        case Kind::Sync: break;
        case Kind::State: add(hex(m.keys)), add(hex(m.held)); break;
        case Kind::Seen: add(m.code), add(m.presses), add(m.releases); break;
        case Kind::Hit: add(m.number), add(m.repeat ? 1 : 0); break;
    }
    return line + '\n';
}

bool LineReader::feed(std::string_view bytes) {
    if (overlong_) return false;
    if (start_ > 0) {
        pending_.erase(0, start_);
        start_ = 0;
    }
    pending_.append(bytes);
    // Every whole line must fit, and so must the part of the next one.
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = pending_.find('\n', from);
        const std::size_t length = (end == std::string::npos ? pending_.size() : end + 1) - from;
        if (length > kMaxLine) return !(overlong_ = true);
        if (end == std::string::npos) return true;
        from = end + 1;
    }
}

std::optional<std::string> LineReader::next() {
    const std::size_t end = pending_.find('\n', start_);
    if (overlong_ || end == std::string::npos) return std::nullopt;
    std::string line = pending_.substr(start_, end - start_);
    start_ = end + 1;
    return line;
}

}  // namespace keylink
