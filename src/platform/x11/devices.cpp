#include "platform/x11/devices.h"

namespace x11 {

DeviceId Devices::ChooseKeyboard(const std::vector<DeviceInfo>& infos, DeviceId clientPointer) {
    for (const DeviceInfo& d : infos)
        if (d.type == DeviceInfo::Type::MasterPointer && clientPointer != 0 && d.id == clientPointer &&
            d.attachment != 0)
            return d.attachment;
    for (const DeviceInfo& d : infos)
        if (d.type == DeviceInfo::Type::MasterKeyboard) return d.id;
    return 0;
}

std::vector<DeviceId> Devices::SlavesOf(const std::vector<DeviceInfo>& infos, DeviceId master) {
    std::vector<DeviceId> out;
    for (const DeviceInfo& d : infos)
        if (d.type == DeviceInfo::Type::SlaveKeyboard && d.attachment == master) out.push_back(d.id);
    return out;
}

Devices::Devices(const std::vector<DeviceInfo>& infos, DeviceId clientPointer)
    : keyboard_(ChooseKeyboard(infos, clientPointer)) {
    if (keyboard_ == 0) return;
    for (const DeviceInfo& d : infos)
        if (d.type == DeviceInfo::Type::SlaveKeyboard && d.attachment == keyboard_)
            (d.xtest ? injection_ : keyboards_).insert(d.id);
}

Devices::Kind Devices::kindOf(DeviceId source) const {
    if (injection_.contains(source)) return Kind::Injection;
    if (keyboards_.contains(source)) return Kind::Keyboard;
    return Kind::Unknown;
}

}  // namespace x11
