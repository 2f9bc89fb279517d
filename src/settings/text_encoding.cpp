#include "settings/text_encoding.h"

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

}  // namespace

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

std::optional<std::string> fromStored(std::string_view stored, Encoding enc) {
    if (enc == Encoding::Utf8) return std::string(stored);
    return gbkToUtf8(stored);
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
