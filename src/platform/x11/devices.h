#pragma once
// Which input devices the program listens to, decided from the server's
// XInput2 device list as plain data: the master keyboard that applications
// type with, the keyboards the user has in hand, and the XTest devices
// through which every program's injected keys come.

#include <cstdint>
#include <set>
#include <vector>

namespace x11 {

using DeviceId = std::uint16_t;

struct DeviceInfo {
    enum class Type { MasterPointer, MasterKeyboard, SlavePointer, SlaveKeyboard, Floating };
    DeviceId id = 0;
    Type type = Type::Floating;
    DeviceId attachment = 0;  // a master's paired master; a slave's master
    bool xtest = false;       // carries the "XTEST Device" property
};

class Devices {
public:
    enum class Kind { Keyboard, Injection, Unknown };

    Devices() = default;
    // `clientPointer`: the master pointer of the program's client, whose
    // paired keyboard applications type with; failing it, the first master
    // keyboard. `xtest` needs to be known only for the slaves of that one.
    Devices(const std::vector<DeviceInfo>& infos, DeviceId clientPointer);

    // The master keyboard applications type with, as ChooseKeyboard picks it.
    static DeviceId ChooseKeyboard(const std::vector<DeviceInfo>& infos, DeviceId clientPointer);
    // The slave keyboards attached to `master`.
    static std::vector<DeviceId> SlavesOf(const std::vector<DeviceInfo>& infos, DeviceId master);

    DeviceId keyboard() const { return keyboard_; }
    bool found() const { return keyboard_ != 0; }
    const std::set<DeviceId>& injection() const { return injection_; }
    const std::set<DeviceId>& keyboards() const { return keyboards_; }
    Kind kindOf(DeviceId source) const;

private:
    DeviceId keyboard_ = 0;
    std::set<DeviceId> injection_;  // the XTest keyboards of our master
    std::set<DeviceId> keyboards_;  // its other keyboards
};

}  // namespace x11
