#include "core/editor/action_composer.h"

#include "core/editor/key_names.h"

namespace editor {

void ActionComposer::choose(int k, const std::string& name) {
    if (k < 0 || k > 2) return;
    const auto code = co::KeyNameToVk(name);
    if (name.empty() || !code) {
        code_[k].clear();
        name_[k].clear();
        return;
    }
    code_[k] = std::to_string(*code) + "|";
    name_[k] = name + " + ";
}

std::optional<SlotTarget> ActionComposer::compose() {
    if (code_[0].empty()) return std::nullopt;
    int count = 0;
    for (const auto& piece : code_)
        if (!piece.empty()) ++count;
    num_ = std::to_string(count);

    SlotTarget t;
    for (const auto& piece : name_) t.displayText += piece;
    t.displayText.resize(t.displayText.size() - 3);  // the final " + "
    t.actionString = num_ + "|";
    for (const auto& piece : code_) t.actionString += piece;
    t.actionString.pop_back();  // the final "|"
    return t;
}

}  // namespace editor
