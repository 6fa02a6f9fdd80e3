#include "DeviceEmulator.h"

std::array<TPacketDataArray, 10> DeviceEmulator::FactoryConfiguration(EmulatorFamily) {
    std::array<TPacketDataArray, 10> groups;
    groups[0] = {{"010", "0"}};
    return groups;
}
