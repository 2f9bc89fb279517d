#pragma once
// One line to stderr for each event of note (the journal keeps the time).
// What is typed is never logged: only keyboards coming and going, and the
// program connecting, refused or dropped, and why.

#include <cstdarg>
#include <cstdio>

namespace keyservice {

[[gnu::format(printf, 1, 2)]] inline void Log(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

}  // namespace keyservice
