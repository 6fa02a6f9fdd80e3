// The configuration a device of each family leaves the factory with: the general
// group (0), the account name (1), partition, user and zone names (2-4), the special
// event codes (5), the lists the device offers (6 panel types, 7 protocols, 8 text
// message languages) and a service group (9) that the tool ignores.

#include "DeviceEmulator.h"

#include <cstdio>

namespace {

bool isN20D(EmulatorFamily f) {
    return f == EmulatorFamily::N20D;
}
bool isN3(EmulatorFamily f) {
    return f == EmulatorFamily::N3;
}
bool isN05(EmulatorFamily f) {
    return f == EmulatorFamily::N05;
}
bool isNF20(EmulatorFamily f) {
    return f == EmulatorFamily::NF20;
}

std::string numbered(int width, int number) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, number);
    return buffer;
}

// "2" and 7 give "207".
std::string itemId(char digit, int row) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%c%02d", digit, row);
    return buffer;
}

// Channel bit strings: L positions (16 on N20D, else 8); channel code b puts its "1"
// at position L - 2b + 2 for the primary channel and L - 2b + 1 for the backup.
std::string channelBits(EmulatorFamily f, int code, bool primary) {
    const int length = isN20D(f) ? 16 : 8;
    std::string bits(static_cast<std::size_t>(length), '0');
    if (code > 0)
        bits[static_cast<std::size_t>(length - 2 * code + (primary ? 2 : 1) - 1)] = '1';
    return bits;
}

TPacketDataArray group0(EmulatorFamily f, const std::string& version) {
    const bool from122 = version >= "Ver: 1.22";
    const bool from127 = version >= "Ver: 1.27";
    TPacketDataArray g;
    g.push_back({"010", "1A2B"}); // account number, hexadecimal
    g.push_back({"011", "0000"}); // SIM card PIN
    g.push_back({"012", "1234"}); // access code (typed digits of the device's code)
    g.push_back({"013", "02"});   // panel type
    g.push_back({"014", "030"});  // GPRS ping, tens of seconds
    if (!isN05(f) && !isNF20(f))
        g.push_back({"015", "000"}); // SMS ping off
    g.push_back({"016", "24"});      // test report every 24 h
    g.push_back({"017", "03"});
    g.push_back({"018", "01"}); // protocol
    g.push_back({"019", isN05(f) ? "0123456789ABCDEF" : "123456"});
    // Primary GPRS (3G); backup SMS where the model has it, else DATA.
    const int backup = (isN05(f) || isNF20(f)) ? 2 : 3;
    g.push_back({"020", channelBits(f, 1, true)});
    g.push_back({"021", channelBits(f, backup, false)});
    g.push_back({"022", "030"});
    g.push_back({"023", "000"});
    if (from122) {
        g.push_back({"024", "01"});
        g.push_back({"025", "01"});
        g.push_back({"026", "01"});
        g.push_back({"027", "01"});
    }
    if (!isN3(f)) {
        g.push_back({"028", "0000"});
        g.push_back({"029", "0111"});
    }
    g.push_back({"030", "internet"});
    g.push_back({"031", ""});
    g.push_back({"032", ""});
    g.push_back({"033", "8.8.8.8"});
    g.push_back({"034", "8.8.4.4"});
    if (isN20D(f)) {
        g.push_back({"035", "internet2"});
        g.push_back({"036", ""});
        g.push_back({"037", ""});
    }
    g.push_back({"040", "192.168.1.10"});
    g.push_back({"041", "5000"});
    g.push_back({"042", "37060000001"});
    g.push_back({"050", "192.168.1.11"});
    g.push_back({"051", "5001"});
    g.push_back({"052", "37060000002"});
    if (!isN05(f) && (!isN3(f) || from127))
        g.push_back({"060", "37060000003"});
    if (isN05(f)) {
        g.push_back({"070", "000001"});           // SIA-IP receiver number
        g.push_back({"071", "000000"});           // account prefix
        g.push_back({"072", "00000000000000A1"}); // module identifier
        g.push_back({"073", "160201001"});        // Contact ID test event 602, group 01, zone 001
        g.push_back({"074", "00000101"});         // key in hex, no CID ping, encryption on
    } else if (isNF20(f)) {
        g.push_back({"070", "1"}); // panel number
    }
    for (int i = 0; i < 4; ++i)
        g.push_back({"08" + std::to_string(i), i == 0 ? "37061111111" : ""});
    for (int i = 0; i < 4; ++i)
        g.push_back({"09" + std::to_string(i), i == 0 ? "37062222222" : ""});
    for (int i = 0; i < 4; ++i)
        g.push_back({"09" + std::to_string(4 + i), i == 0 ? "1111" : "0000"});
    return g;
}

TPacketDataArray names(char digit, int rows, int numberWidth, const char* what, int named) {
    TPacketDataArray g;
    for (int r = 0; r < rows; ++r) {
        const std::string id = itemId(digit, r);
        if (r < named) {
            const std::string number = numbered(numberWidth, r + 1);
            g.push_back(
                {id, (numberWidth == 2 ? "0" : "") + number + " " + what + " " + std::to_string(r + 1)});
        } else {
            g.push_back({id, numberWidth == 2 ? "0 " : " "});
        }
    }
    return g;
}

TPacketDataArray group5(EmulatorFamily f) {
    struct Event {
        const char* text;
        const char* code;
        const char* restore;
    };
    // Activity, qualifier, code, group, zone.
    static const Event kEvents[] = {
        {"Power failure", "01130101000", "01330101000"}, {"Low battery", "01130201000", "01330201000"},
        {"Tamper", "01113701000", "00313701000"},        {"Periodic test", "01160200000", "00"},
        {"GSM jamming", "00134401000", "00334401000"},
    };
    TPacketDataArray g;
    const int rows = isN3(f) ? 4 : 5;
    for (int r = 0; r < rows; ++r) {
        const std::string row = std::string("5") + "0123456789ABCDEF"[r];
        g.push_back({row + "0", kEvents[r].text});
        g.push_back({row + "1", kEvents[r].code});
        g.push_back({row + "2", kEvents[r].restore});
    }
    return g;
}

TPacketDataArray list(char digit, const std::vector<std::string>& entries) {
    TPacketDataArray g;
    for (std::size_t i = 0; i < entries.size(); ++i)
        g.push_back({itemId(digit, static_cast<int>(i)), entries[i]});
    return g;
}

} // namespace

std::array<TPacketDataArray, 10> DeviceEmulator::FactoryConfiguration(EmulatorFamily family) {
    return FactoryConfiguration(family, DefaultVersion(family));
}

std::array<TPacketDataArray, 10> DeviceEmulator::FactoryConfiguration(EmulatorFamily f,
                                                                      const std::string& version) {
    const int nameRows = version >= "Ver: 1.22" ? 32 : 16;
    std::array<TPacketDataArray, 10> groups;
    groups[0] = group0(f, version);
    groups[1] = {{"100", "Demo account"}};
    groups[2] = names('2', 16, 2, "Partition", 2);
    groups[3] = names('3', nameRows, 3, "User", 4);
    groups[4] = names('4', nameRows, 3, "Zone", 8);
    groups[5] = group5(f);
    groups[6] = list('6', {"01 Generic Contact ID", "02 Keypad bus, 4 partitions",
                           "03 Keypad bus, 8 partitions", "04 Dialler output"});
    if (isN05(f))
        groups[7] = list('7', {"01 SIA-IP DC-09", "02 SIA-IP DC-09 encrypted"});
    else
        groups[7] = list('7', {"01 TCP", "02 UDP", "10 VLX_TCP", "83 Direct receiver"});
    groups[8] = list('8', {"01 English", "02 Deutsch", "03 Francais"});
    groups[9] = {{"900", "0"}};
    return groups;
}
