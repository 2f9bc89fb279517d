#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "core/services/key_injector.h"
#include "core/services/keyboard_state.h"
#include "platform/win32/own_keys.h"

namespace win32 {

// One key event of the program's own: virtual-key code, its scan code in the
// foreground window's layout, the extended flag for the keys that have it,
// and the program's mark (HeldKeys::kOwnMark).
INPUT OwnKeyInput(std::uint8_t vk, bool up);

// Key injection with SendInput: virtual-key code, its scan code in the current
// layout, and the extended flag for the keys that have it, so that an
// application reading scan codes or the extended bit sees the right key. A
// batch goes out in one SendInput call, which no other input can split. Every
// event carries the program's mark (HeldKeys::kOwnMark).
class Win32KeyInjector : public platform::KeyInjector {
public:
    // The first layout lookup of a process is slow (15-25 ms under Wine): done
    // here, not in the middle of a target's keys. With `ownKeys`, the
    // program's hotkeys let its own presses through to the focused window.
    // `shieldReason` says why keys would not reach the foreground window now
    // (ForegroundShieldReason by default; tests stand in for an elevated one).
    explicit Win32KeyInjector(std::shared_ptr<OwnKeys> ownKeys = nullptr,
                              std::function<std::string()> shieldReason = nullptr);
    ~Win32KeyInjector() override;
    Win32KeyInjector(const Win32KeyInjector&) = delete;
    Win32KeyInjector& operator=(const Win32KeyInjector&) = delete;

    // False for a code that is no key (0 or 255), or when the system refused it.
    bool keyDown(std::uint8_t vk) override;
    void keyUp(std::uint8_t vk) override;
    // Pressed only when the system has it up: a press of a key already down
    // would reach the focused window as another key-down, which input
    // methods see.
    void ensureDown(std::uint8_t vk) override;
    // A press and release of a code that no layout assigns.
    void maskTap() override;
    void beginBatch() override { ++depth_; }
    void endBatch() override;
    Result reachesFocus() override;
    // Sends refused releases again, outside a batch: those still owed
    // (platform::StillOwed), by the keyboard hook's record.
    void retryRefusedReleases();

    static constexpr std::uint8_t kMaskKey = vk::Unassigned;

private:
    bool add(std::uint8_t vk, bool up);
    // Sends what is pending; true when the system took every event. What it
    // refused is reported.
    bool flush();

    std::shared_ptr<OwnKeys> ownKeys_;
    std::function<std::string()> shieldReason_;
    HWINEVENTHOOK foregroundHook_ = nullptr;
    std::vector<INPUT> pending_;
    // Releases the system refused (input blocked, the secure desktop in
    // front): sent first with the next events, on a change of foreground,
    // and at the end, so that no key stays down.
    struct Refused {
        INPUT input;
        platform::KeyboardState::History seen;  // the user's events of the key when it was refused
    };
    std::vector<Refused> refusedReleases_;
    int depth_ = 0;
};

}  // namespace win32
