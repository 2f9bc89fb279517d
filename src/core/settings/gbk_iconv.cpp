#include "core/settings/text_encoding.h"

#include <iconv.h>

namespace textenc {

namespace {

std::optional<std::string> convert(const char* to, const char* from, std::string_view in) {
    if (in.empty()) return std::string();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || srcLeft != 0) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

}  // namespace

// Linux programs read UTF-8 whatever the locale.
Encoding newFileEncoding() { return Encoding::Utf8; }

std::optional<std::string> gbkToUtf8(std::string_view gbk) { return convert("UTF-8", "CP936", gbk); }
std::optional<std::string> utf8ToGbk(std::string_view utf8) { return convert("CP936", "UTF-8", utf8); }

}  // namespace textenc
