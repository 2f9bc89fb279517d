#include "core/settings/utf16.h"

#include "core/settings/text_encoding.h"

namespace textenc {

namespace {

bool isHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

char32_t unitAt(std::string_view bytes, std::size_t i, bool bigEndian) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (char32_t{first} << 8 | second) : (char32_t{second} << 8 | first);
}

void appendUnit(std::string& out, char32_t u, bool bigEndian) {
    const char high = static_cast<char>(u >> 8);
    const char low = static_cast<char>(u & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    const int trail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[trail] | (c >> (6 * trail)));
    for (int k = trail - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
}

// The code point of the valid UTF-8 sequence at `i`; `i` moves past it.
char32_t nextCodePoint(std::string_view utf8, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(utf8[i++]);
    if (lead < 0x80) return lead;
    const int trail = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t c = lead & (0x3F >> trail);
    for (int k = 0; k < trail; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i++]) & 0x3F);
    return c;
}

}  // namespace

std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t u = unitAt(bytes, i, bigEndian);
        if (isLowSurrogate(u)) return std::nullopt;
        if (isHighSurrogate(u)) {
            if (i + 2 >= bytes.size()) return std::nullopt;
            const char32_t low = unitAt(bytes, i + 2, bigEndian);
            if (!isLowSurrogate(low)) return std::nullopt;
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        appendUtf8(out, u);
    }
    return out;
}

std::optional<std::string> utf8ToUtf16(std::string_view utf8, bool bigEndian) {
    if (!isValidUtf8(utf8)) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = nextCodePoint(utf8, i);
        if (c < 0x10000) {
            appendUnit(out, c, bigEndian);
            continue;
        }
        appendUnit(out, 0xD800 + ((c - 0x10000) >> 10), bigEndian);
        appendUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF), bigEndian);
    }
    return out;
}

}  // namespace textenc
