#include "core/settings/text_encoding.h"

#include <algorithm>

namespace textenc {

namespace {

// Length of the UTF-8 sequence starting with lead byte c, or 0 if c cannot start one.
std::size_t utf8SequenceLength(unsigned char c) {
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return 2;
    if (c >= 0xE0 && c <= 0xEF) return 3;
    if (c >= 0xF0 && c <= 0xF4) return 4;
    return 0;
}

// Whether the bytes pair up as GBK (lead 81..FE, trail 40..FE but 7F) with at
// least one pair in GB2312's range; a stray Latin-1 byte before ASCII has none.
bool looksLikeGbk(std::string_view bytes) {
    bool gb2312 = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) continue;
        if (c == 0x80 || c == 0xFF || i + 1 == bytes.size()) return false;
        const auto t = static_cast<unsigned char>(bytes[++i]);
        if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
        gb2312 = gb2312 || (c >= 0xA1 && t >= 0xA1);
    }
    return gb2312;
}

}  // namespace

Encoding detect(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);  // found with either encoding
    int utf8Lines = 0;
    int gbkLines = 0;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
        const std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
        if (isAscii(line)) continue;
        if (isValidUtf8(line))
            ++utf8Lines;
        else if (looksLikeGbk(line))
            ++gbkLines;
    }
    return gbkLines > 0 && gbkLines >= utf8Lines ? Encoding::Gbk : Encoding::Utf8;
}

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t len = utf8SequenceLength(c);
        if (len == 0 || i + len > bytes.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            const auto t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80) return false;
        }
        if (len >= 3) {
            const auto c1 = static_cast<unsigned char>(bytes[i + 1]);
            if (c == 0xE0 && c1 < 0xA0) return false;  // overlong
            if (c == 0xED && c1 > 0x9F) return false;  // surrogates
            if (c == 0xF0 && c1 < 0x90) return false;  // overlong
            if (c == 0xF4 && c1 > 0x8F) return false;  // beyond U+10FFFF
        }
        i += len;
    }
    return true;
}

std::optional<std::string> toStored(std::string_view utf8, Encoding enc) {
    if (enc == Encoding::Utf8) return std::string(utf8);
    // Some converters drop characters they cannot map (glibc drops the tag
    // characters U+E0000..U+E007F); only text that reads back the same is kept.
    auto gbk = utf8ToGbk(utf8);
    if (!gbk || gbkToUtf8(*gbk) != utf8) return std::nullopt;
    return gbk;
}

std::string fromStored(std::string_view stored, Encoding enc, bool* strays) {
    if (enc == Encoding::Utf8) {
        if (strays) *strays = !isValidUtf8(stored);
        return std::string(stored);
    }
    std::size_t count = 0;
    std::string text = gbkToUtf8Leniently(stored, Stray::Shown, &count);
    if (strays) *strays = count > 0;
    return text;
}

std::string gbkToUtf8Leniently(std::string_view gbk, Stray stray, std::size_t* strays) {
    if (strays) *strays = 0;
    if (auto whole = gbkToUtf8(gbk)) return std::move(*whole);
    std::string out;
    // Line by line, as no GBK character holds a line end: only a line with a
    // stray byte is converted a character at a time.
    while (!gbk.empty()) {
        const std::string_view line = gbk.substr(0, std::min(gbk.find('\n'), gbk.size() - 1) + 1);
        gbk.remove_prefix(line.size());
        if (auto whole = gbkToUtf8(line)) {
            out += *whole;
            continue;
        }
        // ASCII, a lead byte with its trail, or a single byte the code page may map (0x80 is €).
        for (std::size_t i = 0; i < line.size();) {
            const auto c = static_cast<unsigned char>(line[i]);
            const auto t = i + 1 < line.size() ? static_cast<unsigned char>(line[i + 1]) : 0;
            const bool pair = c >= 0x81 && c <= 0xFE && t >= 0x40 && t <= 0xFE && t != 0x7F;
            const std::string_view ch = line.substr(i, pair ? 2 : 1);
            i += ch.size();
            if (c < 0x80) {
                out += ch;
                continue;
            }
            if (auto converted = gbkToUtf8(ch)) {
                out += *converted;
                continue;
            }
            for (const char b : ch) out += stray == Stray::Shown ? std::string("\xEF\xBF\xBD") : std::string(1, b);
            if (strays) *strays += ch.size();
        }
    }
    return out;
}

std::size_t boundaryAtOrBefore(std::string_view bytes, std::size_t maxBytes, Encoding enc) {
    if (bytes.size() <= maxBytes) return bytes.size();
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t len = 1;
        if (enc == Encoding::Utf8) {
            len = utf8SequenceLength(c);
            if (len == 0) len = 1;
        } else if (c >= 0x81 && c <= 0xFE) {
            len = 2;  // GBK lead byte: one trail byte follows
        }
        if (i + len > maxBytes) break;
        i += len;
    }
    return i;
}

}  // namespace textenc
