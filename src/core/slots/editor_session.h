#pragma once
// The action editor's session, apart from its window: which slot it edits
// (the editor's pd), the keys picked so far, and what 添加 and closing do
// with them. The editor window forwards its pickers and its two buttons here
// and shows what the session says.

#include <functional>
#include <string>

#include "core/editor/action_composer.h"

namespace app {

class EditorSession {
public:
    // Where 添加 sends a target: the slot index and what the picks make.
    using Store = std::function<void(int i, const editor::SlotTarget& target)>;
    explicit EditorSession(Store store) : store_(std::move(store)) {}

    // Text1(i) was clicked: the editor is for slot index i now. The picks
    // so far stay: the last opened slot is the one 添加 fills.
    void open(int i) { slot_ = i; }
    int slot() const { return slot_; }

    // Picker k (0, 1, 2) now shows `name`; the blank entry clears the key.
    void choose(int k, const std::string& name) { composer_.choose(k, name); }
    // 添加: the picks' target goes to the slot, or nothing when key 1 is not
    // picked. The picks stay for the next slot. The editor is done.
    void add();
    // The editor was closed: the picks are forgotten, so the next opening
    // starts blank, and the editor is done.
    void close();

    const editor::ActionComposer& composer() const { return composer_; }

    // The picks were forgotten: the pickers show nothing chosen.
    std::function<void()> onForgotten;
    // The editor is done: it goes, and the main window comes back.
    std::function<void()> onDone;

private:
    Store store_;
    editor::ActionComposer composer_;
    int slot_ = 0;
};

}  // namespace app
