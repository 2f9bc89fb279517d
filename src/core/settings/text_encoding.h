#pragma once
// Byte-level helpers for the two encodings a settings file can be in: UTF-8
// (what we write) and GBK (a file carried over from a Chinese Windows system).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace textenc {

enum class Encoding { Utf8, Gbk };

bool isValidUtf8(std::string_view bytes);

// Each line with non-ASCII bytes counts for UTF-8 when it is valid UTF-8, for
// GBK when it is not but pairs into GBK with a GB2312 character (both bytes
// A1 or above, where its Chinese lies); other lines hold stray bytes and do not
// count. GBK text is almost never valid UTF-8, so the file is GBK when its GBK
// lines are at least as many as its UTF-8 lines, and UTF-8 otherwise.
Encoding detect(std::string_view bytes);

// Code page 936 both ways (gbk_iconv.cpp, gbk_win32.cpp). Nothing is returned
// for bytes that are no GBK, or for text GBK cannot hold: never a stand-in
// character or a look-alike.
std::optional<std::string> gbkToUtf8(std::string_view gbk);
std::optional<std::string> utf8ToGbk(std::string_view utf8);

// GBK to UTF-8 for bytes that may hold some that are no GBK text (a value
// cut short, a byte typed in another encoding): what is GBK is converted, and
// each stray byte is shown as U+FFFD, or kept as it is, for a file that goes
// on as UTF-8 with its stray bytes where they were. `strays` counts them.
enum class Stray { Shown, Kept };
std::string gbkToUtf8Leniently(std::string_view gbk, Stray stray, std::size_t* strays = nullptr);

// The encoding a file takes whose text has shown none yet (a new file, or
// one that holds only ASCII): GBK where the system's ANSI code page is 936
// (a Chinese Windows, whose other tools read it so), UTF-8 everywhere else.
Encoding newFileEncoding();

bool isAscii(std::string_view bytes);

// Text as stored in a file of the given encoding. Nothing is returned when
// the text cannot be represented or would not read back as it is.
std::optional<std::string> toStored(std::string_view utf8, Encoding enc);
// A stored value as the program holds it. A stray byte of a UTF-8 file stays
// as it is (a toolkit shows it as U+FFFD); one of a GBK file becomes U+FFFD,
// which no GBK text holds. Either way the rest of the value is shown, and
// `strays` says whether there were any.
std::string fromStored(std::string_view stored, Encoding enc, bool* strays = nullptr);

// The longest prefix of `bytes` of at most `maxBytes` that ends on a
// character boundary of the encoding.
std::size_t boundaryAtOrBefore(std::string_view bytes, std::size_t maxBytes, Encoding enc);

}  // namespace textenc
