#pragma once
// The action editor's working state, apart from its window: for each of the
// three pickers a code piece ("17|") and a name piece ("Ctrl + "), and the
// display text and action string they make when the user saves.

#include <array>
#include <optional>
#include <string>

namespace editor {

struct SlotTarget {
    std::string displayText;   // "Ctrl + Shift + S"
    std::string actionString;  // "3|17|16|83"
};

class ActionComposer {
public:
    // The user chose `name` in picker k (0, 1, 2); the blank entry clears the key.
    void choose(int k, const std::string& name);

    // Nothing when key 1 is not chosen. Blank pickers between chosen ones leave no gap.
    std::optional<SlotTarget> compose();

    const std::string& codePiece(int k) const { return code_[k]; }
    const std::string& namePiece(int k) const { return name_[k]; }
    // The key count of the last save, "0" before any.
    const std::string& num() const { return num_; }

private:
    std::array<std::string, 3> code_;  // Text2, Text3, Text4
    std::array<std::string, 3> name_;  // m1, m2, m3
    std::string num_ = "0";
};

}  // namespace editor
