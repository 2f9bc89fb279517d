#pragma once
#include <cstdint>
#include <initializer_list>

#include "core/services/keyboard_state.h"

namespace wintest {

inline platform::KeySet KeySetOf(std::initializer_list<std::uint8_t> codes) {
    platform::KeySet set;
    for (const std::uint8_t c : codes) set.set(c);
    return set;
}

}  // namespace wintest
