// Any bytes from the keyboard service's socket: the line reader splits them
// into lines no longer than a message may be, or stops at the first that is;
// every line that parses is formatted back to itself and parses to the same
// message. The first byte sets the size of the pieces the bytes arrive in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/keyboard_link/message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = data[0] % 64 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    keylink::LineReader reader;
    std::string read;  // the lines, each with its '\n', as the reader gave them
    bool overlong = false;
    for (std::size_t at = 0; at < bytes.size() && !overlong; at += piece) {
        overlong = !reader.feed(bytes.substr(at, piece));
        while (const auto line = reader.next()) {
            if (overlong || line->size() + 1 > keylink::kMaxLine || line->find('\n') != std::string::npos)
                __builtin_trap();
            read += *line + '\n';
            const auto message = keylink::Parse(*line);
            if (!message) continue;
            const std::string text = keylink::Format(*message);
            if (text != *line + '\n' || keylink::Parse(std::string_view(text).substr(0, text.size() - 1)) != message)
                __builtin_trap();
        }
    }
    // Nothing lost, nothing made up: what was read is the input up to its last
    // line's end, unless a line ran over.
    const std::size_t end = bytes.rfind('\n');
    if (!overlong && read != bytes.substr(0, end == std::string_view::npos ? 0 : end + 1)) __builtin_trap();
    if (overlong && bytes.substr(0, read.size()) != read) __builtin_trap();
    return 0;
}
