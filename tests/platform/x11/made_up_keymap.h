#pragma once
// Key maps written key by key, for tests of the X11 backend's logic without a server.

#include <map>
#include <utility>
#include <vector>

#include "platform/x11/keymap.h"

namespace x11test {

// Two levels per keycode, 8 … 255.
struct MapBuilder {
    std::map<int, std::pair<x11::Keysym, x11::Keysym>> keys;
    MapBuilder& key(int kc, x11::Keysym level1, x11::Keysym level2 = 0) {
        keys[kc] = {level1, level2};
        return *this;
    }
    x11::Keymap build() const {
        std::vector<x11::Keysym> syms(2 * 248, 0);
        for (const auto& [kc, levels] : keys) {
            syms[2 * (kc - 8)] = levels.first;
            syms[2 * (kc - 8) + 1] = levels.second;
        }
        return x11::Keymap(8, 2, syms);
    }
};

}  // namespace x11test
