#pragma once
#include "core/services/key_namer.h"

namespace win32 {

// The layout's own key names: GetKeyNameText of the key's scan code, with the
// extended bit for the extended keys (Left, not Num 4). Windows key events
// carry virtual-key codes, so virtualKey() has nothing to add.
class Win32KeyNamer : public platform::KeyNamer {
public:
    std::string name(int vk) override;
};

}  // namespace win32
