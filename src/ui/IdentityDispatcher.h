#pragma once
// The first reply dispatcher of the main window: it shows the identity of the
// connected device (model, serial number, firmware version, IMEI) from the
// status reply "F1" and from a group-0 reply "F3". The full catalogue of group
// readers replaces it; until then every other reply is accepted and dropped.

#include "PacketParser.h"

#include <functional>
#include <string>

class TIdentityDispatcher {
public:
    // Where the identity goes. Every target is optional.
    struct Targets {
        std::function<void(const std::string&)> model;         // "000", as received
        std::function<void(const std::string&)> serial;        // "001", as received
        std::function<void(const std::string&)> version;       // "002", as received
        std::function<void(const std::string&)> imei;          // "IMEI: " + "003"
        std::function<void(const std::string&)> deviceVersion; // "002" for the data communication
    };

    explicit TIdentityDispatcher(Targets targets) : m_targets(std::move(targets)) {}

    void DispatchReply(const TPacket& packet);

private:
    void ApplyIdentity(const TPacketDataArray& items);

    Targets m_targets;
};
