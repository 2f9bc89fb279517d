#include "platform/win32/win32_key_injector.h"

#include <string>

#include "core/diag/diag.h"
#include "platform/win32/extended_keys.h"
#include "platform/win32/held_keys.h"
#include "platform/win32/integrity.h"
#include "platform/win32/keyboard_hook.h"

namespace win32 {

namespace {

// The layout of the window the keys go to: its scan codes are the ones an
// application reading them expects, whatever layout this program's thread has.
HKL foregroundLayout() {
    const HWND window = GetForegroundWindow();
    return GetKeyboardLayout(window ? GetWindowThreadProcessId(window, nullptr) : 0);
}

// The one injector that hears of foreground changes (the program has one).
Win32KeyInjector* foregroundListener = nullptr;

void CALLBACK foregroundChanged(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    if (!foregroundListener) return;
    foregroundListener->retryRefusedReleases();
    if (foregroundListener->onFocusChanged) foregroundListener->onFocusChanged();
}

}  // namespace

INPUT OwnKeyInput(std::uint8_t vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, foregroundLayout()));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    // The keyboard hook tells the program's keys from every other program's by it.
    in.ki.dwExtraInfo = HeldKeys::kOwnMark;
    return in;
}

Win32KeyInjector::Win32KeyInjector(std::shared_ptr<OwnKeys> ownKeys, std::function<std::string()> shieldReason)
    : ownKeys_(std::move(ownKeys)), shieldReason_(shieldReason ? std::move(shieldReason) : ForegroundShieldReason) {
    MapVirtualKeyExW('A', MAPVK_VK_TO_VSC, foregroundLayout());
    // Out of context: called through this thread's message loop, never inside another process.
    if (!foregroundListener) {
        foregroundHook_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, foregroundChanged,
                                          0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
        if (foregroundHook_) foregroundListener = this;
    }
}

Win32KeyInjector::~Win32KeyInjector() {
    depth_ = 0;
    flush();
    if (foregroundHook_) UnhookWinEvent(foregroundHook_);
    if (foregroundListener == this) foregroundListener = nullptr;
}

void Win32KeyInjector::retryRefusedReleases() {
    if (depth_ == 0 && !refusedReleases_.empty()) flush();
}

Result Win32KeyInjector::reachesFocus() {
    const std::string why = shieldReason_();
    return why.empty() ? Result::success() : Result::failure(why);
}

bool Win32KeyInjector::keyDown(std::uint8_t vk) {
    if (vk == 0 || vk == vk::NoKey) return false;
    return add(vk, false);
}

void Win32KeyInjector::ensureDown(std::uint8_t vk) {
    if (!(GetAsyncKeyState(vk) & 0x8000)) keyDown(vk);
}

void Win32KeyInjector::keyUp(std::uint8_t vk) {
    if (vk == 0 || vk == vk::NoKey) return;
    add(vk, true);
}

void Win32KeyInjector::maskTap() {
    beginBatch();
    add(kMaskKey, false);
    add(kMaskKey, true);
    endBatch();
}

void Win32KeyInjector::endBatch() {
    if (depth_ == 0 || --depth_ > 0) return;
    flush();
}

bool Win32KeyInjector::add(std::uint8_t vk, bool up) {
    pending_.push_back(OwnKeyInput(vk, up));
    return depth_ > 0 || flush();
}

bool Win32KeyInjector::flush() {
    if (pending_.empty() && refusedReleases_.empty()) return true;
    auto seen = [](const INPUT& in) { return keyboard_hook::keys()->history(static_cast<std::uint8_t>(in.ki.wVk)); };
    // A release refused earlier goes first, unless the user pressed the key
    // since (where the program could not see it): then it is the user's.
    std::vector<Refused> batch;
    for (const Refused& r : refusedReleases_)
        if (platform::StillOwed(r.seen, seen(r.input), GetAsyncKeyState(r.input.ki.wVk) & 0x8000)) batch.push_back(r);
    refusedReleases_.clear();
    for (const INPUT& in : pending_) batch.push_back({in, seen(in)});
    pending_.clear();
    std::vector<INPUT> inputs;
    for (const Refused& r : batch) inputs.push_back(r.input);
    const auto n = static_cast<UINT>(inputs.size());
    UINT sent = 0;
    DWORD error = ERROR_SUCCESS;
    auto send = [&] {
        sent = SendInput(n, inputs.data(), sizeof(INPUT));
        if (sent != n) error = GetLastError();
    };
    if (ownKeys_) {
        std::vector<std::uint8_t> pressed;
        for (const INPUT& in : inputs)
            if (!(in.ki.dwFlags & KEYEVENTF_KEYUP)) pressed.push_back(static_cast<std::uint8_t>(in.ki.wVk));
        ownKeys_->send(pressed, send);
    } else {
        send();
    }
    // Another program blocking input, or the secure desktop, refuses the rest of a batch.
    for (UINT i = sent; i < n; ++i)
        if (inputs[i].ki.dwFlags & KEYEVENTF_KEYUP) refusedReleases_.push_back(batch[i]);
    if (sent != n)
        diag::Report("Windows took " + std::to_string(sent) + " of " + std::to_string(n) +
                     " key events (SendInput, error " + std::to_string(error) + ")");
    return sent == n;
}

}  // namespace win32
