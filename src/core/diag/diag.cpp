#include "core/diag/diag.h"

#include <cstdio>
#include <string>
#include <utility>

namespace diag {
namespace {

std::function<void(std::string_view)>& sink() {
    static std::function<void(std::string_view)> s;
    return s;
}

}  // namespace

void Report(std::string_view line) {
    const std::string text = "zorvane-change-hotkey: " + std::string(line) + "\n";
    std::fputs(text.c_str(), stderr);
    if (sink()) sink()(line);
}

void SetSink(std::function<void(std::string_view)> s) { sink() = std::move(s); }

}  // namespace diag
