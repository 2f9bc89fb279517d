#include "platform/win32/win32_key_injector.h"

#include "platform/win32/extended_keys.h"
#include "platform/win32/held_keys.h"

namespace win32 {

namespace {

INPUT keyInput(std::uint8_t vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    // The keyboard hook tells the program's keys from every other program's by it.
    in.ki.dwExtraInfo = HeldKeys::kOwnMark;
    return in;
}

}  // namespace

Win32KeyInjector::Win32KeyInjector(std::shared_ptr<OwnKeys> ownKeys) : ownKeys_(std::move(ownKeys)) {
    MapVirtualKeyW('A', MAPVK_VK_TO_VSC);
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
    pending_.push_back(keyInput(vk, up));
    return depth_ > 0 || flush();
}

bool Win32KeyInjector::flush() {
    if (pending_.empty()) return true;
    std::vector<INPUT> inputs;
    inputs.swap(pending_);
    const auto n = static_cast<UINT>(inputs.size());
    UINT sent = 0;
    auto send = [&] { sent = SendInput(n, inputs.data(), sizeof(INPUT)); };
    if (!ownKeys_) {
        send();
        return sent == n;
    }
    std::vector<std::uint8_t> pressed;
    for (const INPUT& in : inputs)
        if (!(in.ki.dwFlags & KEYEVENTF_KEYUP)) pressed.push_back(static_cast<std::uint8_t>(in.ki.wVk));
    ownKeys_->send(pressed, send);
    return sent == n;
}

}  // namespace win32
