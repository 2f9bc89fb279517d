#pragma once
// The one uinput keyboard that every key the service passes on, and every key
// its program types, comes out of. It has no key repeat of its own: repeats
// come from the keyboards, as they make them.

#include <linux/input.h>

#include <array>
#include <string>
#include <vector>

#include "keyboard_service/router.h"

namespace keyservice {

inline constexpr const char* kVirtualKeyboardName = "Zorvane virtual keyboard";

// An event with no time: the kernel stamps what is written to a device.
input_event InputEvent(int type, int code, int value);

class VirtualKeyboard {
public:
    VirtualKeyboard() = default;
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;
    ~VirtualKeyboard();

    // Creates the device; false with the reason when it cannot.
    bool open(std::string& error);
    // The device's fd: readable when the desktop sets its LEDs.
    int fd() const { return fd_; }
    // Its physical path, unique to this process, by which the service knows its own device.
    const std::string& phys() const { return phys_; }

    // Whether the device has this key code: the keys of a keyboard, not the
    // buttons of mice and game pads, which would make it look like one.
    static bool Has(int code);

    // Sends the events, each followed by a SYN_REPORT, in one write.
    bool emit(const std::vector<KeyEvent>& events);

    // Reads what the desktop wrote to the device; the LEDs it set are kept in leds().
    // -1: an LED not set yet.
    void readBack();
    const std::array<int, LED_CNT>& leds() const { return leds_; }

private:
    int fd_ = -1;
    std::string phys_;
    std::vector<input_event> buffer_;
    std::array<int, LED_CNT> leds_ = [] {
        std::array<int, LED_CNT> unset;
        unset.fill(-1);
        return unset;
    }();
};

}  // namespace keyservice
