// The virtual machine's own check: a keyboard made through uinput is found
// through evdev by its name, and what is typed on it is read back exactly.
// Usage (as root, in the machine): uinput_smoke

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "vm/evdev_devices.h"

int main() try {
    vm::UinputKeyboard keyboard("VM test keyboard");
    const std::string path = vm::FindDevice("VM test keyboard");
    vm::KeyReader reader(path);
    vm::Verdicts verdicts;
    verdicts.check(!path.empty() && reader.open(), "found by name", path);

    const struct {
        std::vector<int> keys;  // pressed in order, released in reverse
        const char* transcript;
    } rows[] = {
        {{KEY_A}, "D30 U30"},
        {{KEY_LEFTCTRL, KEY_C}, "D29 D46 U46 U29"},
    };
    for (const auto& row : rows) {
        reader.clear();
        for (const int code : row.keys) keyboard.key(code, 1);
        for (auto it = row.keys.rbegin(); it != row.keys.rend(); ++it) keyboard.key(*it, 0);
        reader.readUntilKey(row.keys.front(), 0);
        verdicts.check(reader.transcript() == row.transcript && reader.down().empty(), row.transcript,
                       reader.transcript() + " | down: " + reader.down());
    }
    return verdicts.Finish();
} catch (const std::exception& e) {
    std::printf("uinput_smoke: %s\n0 passed, 1 failed\n", e.what());
    return 1;
}
