#pragma once
#include <string>
#include <utility>

// Outcome of a settings write. A failed write carries a sentence for the user.
struct [[nodiscard]] WriteResult {
    bool ok = true;
    std::string error;

    static WriteResult success() { return {}; }
    static WriteResult failure(std::string why) { return {false, std::move(why)}; }
    explicit operator bool() const { return ok; }
};
