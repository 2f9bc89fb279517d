#pragma once
// The ten target fields Text1(0) … Text1(9): each shows a slot's target keys
// and carries its action string as its tool tip. They only show; a click
// opens the editor.

#include <windows.h>
#include <array>
#include <functional>
#include <string>

namespace win32app {

class TargetFields {
public:
    static constexpr int kSlots = 10;
    // Fields with the given control ids (first + i); placed by their parent.
    TargetFields(HWND parent, UINT_PTR firstId);
    ~TargetFields();
    TargetFields(const TargetFields&) = delete;
    TargetFields& operator=(const TargetFields&) = delete;

    HWND field(int i) const { return fields_[i]; }
    void show(int i, const std::string& text, const std::string& action);
    // The tool tip of field i (its action string).
    std::wstring tip(int i) const;

    // The left button came up on field i.
    std::function<void(int i)> onClick;

private:
    static LRESULT CALLBACK subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR i, DWORD_PTR self);
    std::array<HWND, kSlots> fields_{};
    std::array<std::wstring, kSlots> tips_;
    HWND tooltip_ = nullptr;
};

}  // namespace win32app
