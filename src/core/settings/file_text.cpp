#include "core/settings/file_text.h"

#include "core/settings/utf16.h"

namespace filetext {

namespace {

constexpr std::string_view kLeMark = "\xFF\xFE";
constexpr std::string_view kBeMark = "\xFE\xFF";

// A printable ASCII character with a NUL beside it opens UTF-16 text that has
// no mark; read as 8-bit text, none of its section names would match. No
// write can make a file begin so, as what is written holds no NUL.
bool looksLikeUnmarkedUtf16(std::string_view bytes) {
    if (bytes.size() < 2 || (bytes[0] == '\0') == (bytes[1] == '\0')) return false;
    const char c = bytes[0] == '\0' ? bytes[1] : bytes[0];
    return c >= ' ' && c <= '~';
}

std::optional<FileText> decodeUtf16(std::string_view bytes, Form form, std::string* why) {
    auto text = textenc::utf16ToUtf8(bytes.substr(2), form == Form::Utf16Be);
    if (!text) {
        if (why) *why = "it begins as UTF-16 text but does not go on as UTF-16";
        return std::nullopt;
    }
    return FileText{form, textenc::Encoding::Utf8, std::move(*text)};
}

}  // namespace

std::optional<FileText> decode(std::string_view bytes, std::string* why) {
    if (bytes.starts_with(kLeMark)) return decodeUtf16(bytes, Form::Utf16Le, why);
    if (bytes.starts_with(kBeMark)) return decodeUtf16(bytes, Form::Utf16Be, why);
    if (looksLikeUnmarkedUtf16(bytes)) {
        if (why) *why = "it looks like UTF-16 text without a byte-order mark";
        return std::nullopt;
    }
    return FileText{Form::EightBit, textenc::detect(bytes), std::string(bytes)};
}

std::optional<std::string> encode(std::string_view text, Form form) {
    if (form == Form::EightBit) return std::string(text);
    const bool bigEndian = form == Form::Utf16Be;
    auto bytes = textenc::utf8ToUtf16(text, bigEndian);
    if (!bytes) return std::nullopt;
    return std::string(bigEndian ? kBeMark : kLeMark) + *bytes;
}

}  // namespace filetext
