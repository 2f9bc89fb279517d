#include "keyboard_service/virtual_keyboard.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

namespace keyservice {

namespace {

bool io(int fd, unsigned long request, unsigned long value) { return ioctl(fd, request, value) == 0; }

}  // namespace

input_event InputEvent(int type, int code, int value) {
    input_event e{};
    e.type = std::uint16_t(type), e.code = std::uint16_t(code), e.value = value;
    return e;
}

VirtualKeyboard::~VirtualKeyboard() {
    if (fd_ >= 0) {
        ioctl(fd_, UI_DEV_DESTROY);
        ::close(fd_);
    }
}

bool VirtualKeyboard::Has(int code) {
    if (code <= 0 || code > KEY_MAX) return false;
    if (code < BTN_MISC) return true;                                            // the keys of KEY_ESC … 0xff
    if (code >= BTN_DPAD_UP && code <= BTN_DPAD_RIGHT) return false;             // a game pad's
    if (code >= BTN_TRIGGER_HAPPY && code <= BTN_TRIGGER_HAPPY40) return false;  // a joystick's
    return code >= KEY_OK;  // past the mouse, joystick, pad and pen buttons
}

bool VirtualKeyboard::open(std::string& error) {
    for (const char* path : {"/dev/uinput", "/dev/input/uinput"}) {
        fd_ = ::open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0 || errno != ENOENT) break;
    }
    if (fd_ < 0) {
        error = std::string("cannot open /dev/uinput: ") + std::strerror(errno);
        return false;
    }
    phys_ = "zorvane-keyboard-service/" + std::to_string(getpid());
    bool ok = io(fd_, UI_SET_EVBIT, EV_KEY) && io(fd_, UI_SET_EVBIT, EV_SYN) && io(fd_, UI_SET_EVBIT, EV_LED);
    for (int code = 1; ok && code <= KEY_MAX; ++code)
        if (Has(code)) ok = io(fd_, UI_SET_KEYBIT, code);
    for (const int led : {LED_NUML, LED_CAPSL, LED_SCROLLL, LED_COMPOSE, LED_KANA})
        if (ok) ok = io(fd_, UI_SET_LEDBIT, led);
    if (ok) ok = ioctl(fd_, UI_SET_PHYS, phys_.c_str()) == 0;
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = 0x5a56;  // "ZV"
    setup.id.product = 0x0001;
    setup.id.version = 1;
    std::strncpy(setup.name, kVirtualKeyboardName, UINPUT_MAX_NAME_SIZE - 1);
    if (ok) ok = ioctl(fd_, UI_DEV_SETUP, &setup) == 0 && ioctl(fd_, UI_DEV_CREATE) == 0;
    if (!ok) {
        error = std::string("cannot set up the virtual keyboard on /dev/uinput: ") + std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    buffer_.reserve(512);
    return true;
}

bool VirtualKeyboard::emit(const std::vector<KeyEvent>& events) {
    if (events.empty()) return true;
    buffer_.clear();
    for (const KeyEvent& e : events) {
        buffer_.push_back(InputEvent(EV_KEY, e.code, e.value));
        buffer_.push_back(InputEvent(EV_SYN, SYN_REPORT, 0));
    }
    const char* at = reinterpret_cast<const char*>(buffer_.data());
    std::size_t left = buffer_.size() * sizeof(input_event);
    while (left > 0) {
        const ssize_t n = ::write(fd_, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n, left -= std::size_t(n);
    }
    return true;
}

void VirtualKeyboard::readBack() {
    input_event events[16];
    for (;;) {
        const ssize_t n = ::read(fd_, events, sizeof events);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n / ssize_t(sizeof(input_event)); ++i)
            if (events[i].type == EV_LED && events[i].code < LED_CNT) leds_[events[i].code] = events[i].value != 0;
    }
}

}  // namespace keyservice
