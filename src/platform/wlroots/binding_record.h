#pragma once
// The chords this program has bound in a running sway, kept in a file while
// it runs, so that a start after a crash removes what the crash left behind
// (sway keeps a binding until its configuration is reloaded).

#include <set>
#include <string>
#include <vector>

#include "core/diag/result.h"

namespace wlroots {

class BindingRecord {
public:
    // The record for the sway at `swaySocket`, in $XDG_RUNTIME_DIR; none
    // (keeps nothing) without one.
    static BindingRecord ForSway(const std::string& swaySocket);
    explicit BindingRecord(std::string path = {}) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    // The combos written last; none when there is no record.
    std::vector<std::string> read() const;
    // Writes the combos bound now; an empty set removes the record.
    Result write(const std::set<std::string>& combos) const;

private:
    std::string path_;
};

}  // namespace wlroots
