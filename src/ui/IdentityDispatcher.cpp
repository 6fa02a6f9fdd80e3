#include "IdentityDispatcher.h"

namespace {
void Call(const std::function<void(const std::string&)>& target, const std::string& text) {
    if (target)
        target(text);
}
} // namespace

void TIdentityDispatcher::DispatchReply(const TPacket& packet) {
    if (packet.Command == "F1") {
        // A device that sends no IMEI must not keep showing the previous one.
        Call(m_targets.imei, "IMEI: N/A");
        ApplyIdentity(packet.Items);
    } else if (packet.Command == "F3" && !packet.Items.empty() && !packet.Items.front().Id.empty() &&
               packet.Items.front().Id[0] == '0') {
        ApplyIdentity(packet.Items);
    }
}

void TIdentityDispatcher::ApplyIdentity(const TPacketDataArray& items) {
    for (const auto& item : items) {
        if (item.Id == "000") {
            Call(m_targets.model, item.Value);
        } else if (item.Id == "001") {
            Call(m_targets.serial, item.Value);
        } else if (item.Id == "002") {
            Call(m_targets.version, item.Value);
            Call(m_targets.deviceVersion, item.Value);
        } else if (item.Id == "003") {
            Call(m_targets.imei, "IMEI: " + item.Value);
        }
    }
}
