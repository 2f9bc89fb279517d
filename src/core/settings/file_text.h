#pragma once
// The text a settings file holds, apart from the form its bytes take: 8-bit
// (UTF-8 or GBK, see textenc::detect) or UTF-16 behind a byte-order mark, as
// Windows saves "Unicode" text. A file is written back in its own form.

#include <optional>
#include <string>
#include <string_view>

#include "core/settings/text_encoding.h"

namespace filetext {

enum class Form { EightBit, Utf16Le, Utf16Be };

struct FileText {
    Form form = Form::EightBit;
    textenc::Encoding enc = textenc::Encoding::Utf8;  // how `text` holds characters
    std::string text;                                 // of a UTF-16 file: its text in UTF-8, without the mark
};

// The file's text; nothing when the bytes cannot be read as text, with the reason in `why`.
std::optional<FileText> decode(std::string_view bytes, std::string* why);

// The bytes of a file of `form` that holds `text`; nothing when `text` is no
// UTF-8 and the form is UTF-16.
std::optional<std::string> encode(std::string_view text, Form form);

}  // namespace filetext
