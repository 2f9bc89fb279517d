#include "core/settings/text_encoding.h"

#include <windows.h>
#include <climits>

namespace textenc {

namespace {

constexpr UINT kGbk = 936;

// MB_ERR_INVALID_CHARS: a byte sequence the code page lacks fails the whole
// conversion instead of becoming U+FFFD or '?'.
std::optional<std::wstring> toWide(UINT codePage, std::string_view in) {
    if (in.size() > INT_MAX) return std::nullopt;
    const int size = static_cast<int>(in.size());
    const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, out.data(), n) != n) return std::nullopt;
    return out;
}

// Windows would otherwise store a look-alike ("best fit", e.g. A for À) or
// its default character for text the code page lacks; both lose the text.
std::optional<std::string> fromWide(UINT codePage, std::wstring_view in) {
    if (in.size() > INT_MAX) return std::nullopt;
    const int size = static_cast<int>(in.size());
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;  // UTF-8 takes no default character
    const int n = ::WideCharToMultiByte(codePage, flags, in.data(), size, nullptr, 0, nullptr, used);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    if (::WideCharToMultiByte(codePage, flags, in.data(), size, out.data(), n, nullptr, used) != n || usedDefault)
        return std::nullopt;
    return out;
}

std::optional<std::string> convert(UINT to, UINT from, std::string_view in) {
    if (in.empty()) return std::string();
    const auto wide = toWide(from, in);
    if (!wide) return std::nullopt;
    return fromWide(to, *wide);
}

}  // namespace

Encoding newFileEncoding() { return ::GetACP() == kGbk ? Encoding::Gbk : Encoding::Utf8; }

std::optional<std::string> gbkToUtf8(std::string_view gbk) { return convert(CP_UTF8, kGbk, gbk); }
std::optional<std::string> utf8ToGbk(std::string_view utf8) { return convert(kGbk, CP_UTF8, utf8); }

}  // namespace textenc
