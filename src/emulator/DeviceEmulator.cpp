#include "DeviceEmulator.h"

#include "N_Blowfish_simple.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t kHeaderLength = 8;
constexpr std::size_t kFirmwarePacketLength = 520;
constexpr std::uint8_t kPacketIdentifier = 0x02;
const std::string kWakeUp = "wake";

// Header fields that let a buffer be framed: identifier, reserved byte, a payload
// length that is a positive multiple of 8.
bool frameableHeader(const TByteArray& b) {
    if (b.size() < kHeaderLength || b[0] != kPacketIdentifier || b[3] != 0x00)
        return false;
    const std::size_t length = b[4] | (static_cast<std::size_t>(b[5]) << 8);
    return length >= 8 && length % 8 == 0;
}

std::size_t framedLength(const TByteArray& b) {
    return kHeaderLength + (b[4] | (static_cast<std::size_t>(b[5]) << 8));
}

bool parses(const TByteArray& packet) {
    try {
        PacketParserInstance().Parse(packet);
        return true;
    } catch (const EPacketError&) {
        return false;
    }
}

// The code field of a request: the six bytes after the command on the deciphered
// command line (the parser drops them, the device needs them).
std::string codeField(const TByteArray& raw) {
    TByteArray payload(raw.begin() + kHeaderLength, raw.end());
    const TByteArray plain = DecryptBuffer(payload, kPacketKey);
    if (plain.size() < 8 || plain[0] != 'F')
        return {};
    return std::string(plain.begin() + 2, plain.begin() + 8);
}

bool commandHasCode(const std::string& command) {
    return command == "F2" || command == "F5" || command == "F4" || command == "FA" || command == "FB";
}

} // namespace

DeviceEmulator::DeviceEmulator(EmulatorFamily family) {
    setFamily(family);
}

void DeviceEmulator::setFamily(EmulatorFamily family) {
    m_family = family;
    m_model = ModelText(family);
    m_version = DefaultVersion(family);
    restoreFactory();
}

void DeviceEmulator::restoreFactory() {
    m_groups = FactoryConfiguration(m_family, m_version);
}

std::optional<std::string> DeviceEmulator::value(const std::string& id) const {
    if (id.empty() || id[0] < '0' || id[0] > '9')
        return std::nullopt;
    for (const TPacketData& item : m_groups[static_cast<std::size_t>(id[0] - '0')])
        if (item.Id == id)
            return item.Value;
    return std::nullopt;
}

void DeviceEmulator::setValue(const std::string& id, const std::string& value) {
    storeItems({{id, value}});
}

// Items are stored into the group of their first character: an item with a known id
// takes the new value, an unknown one is appended. Items outside groups 0-9 and the
// identity items ("000"-"003", which only the device itself sets) are ignored.
void DeviceEmulator::storeItems(const TPacketDataArray& items) {
    for (const TPacketData& item : items) {
        if (item.Id.size() != 3 || item.Id[0] < '0' || item.Id[0] > '9')
            continue;
        if (item.Id >= "000" && item.Id <= "003")
            continue;
        TPacketDataArray& group = m_groups[static_cast<std::size_t>(item.Id[0] - '0')];
        auto it =
            std::find_if(group.begin(), group.end(), [&](const TPacketData& d) { return d.Id == item.Id; });
        if (it != group.end())
            it->Value = item.Value;
        else
            group.push_back(item);
    }
}

std::vector<std::string> DeviceEmulator::requestCommands() const {
    std::vector<std::string> commands;
    commands.reserve(m_requests.size());
    for (const EmulatorRequest& r : m_requests)
        commands.push_back(r.parsed ? r.packet.Command : r.error == kWakeUp ? r.error : std::string("?"));
    return commands;
}

TByteArray DeviceEmulator::BuildReply(const std::string& command, const TPacketDataArray& items,
                                      std::uint8_t count, std::uint8_t number) {
    TPacket packet;
    packet.PacketCount = count;
    packet.PacketNumber = number;
    packet.Command = command;
    packet.Items = items;
    return PacketParserInstance().Build(packet, "");
}

TByteArray DeviceEmulator::StatusReply() const {
    TPacketDataArray items{{"000", m_model}, {"001", m_serial}, {"002", m_version}};
    if (m_sendsImei)
        items.push_back({"003", m_imei});
    return BuildReply("F1", items);
}

void DeviceEmulator::injectFault(EmulatorFault fault, int n, int param) {
    m_faults.push_back({fault, std::max(1, n), param});
}

bool DeviceEmulator::injectFault(const std::string& name, int n, int param) {
    static const std::pair<const char*, EmulatorFault> kNames[] = {
        {"drop", EmulatorFault::Drop},         {"delay", EmulatorFault::Delay},
        {"corrupt", EmulatorFault::Corrupt},   {"split", EmulatorFault::Split},
        {"abort", EmulatorFault::Abort},       {"silent", EmulatorFault::Silent},
        {"renumber", EmulatorFault::Renumber},
    };
    for (const auto& [text, fault] : kNames)
        if (name == text) {
            injectFault(fault, n, param);
            return true;
        }
    return false;
}

void DeviceEmulator::clearFaults() {
    m_faults.clear();
    m_silent = false;
}

std::vector<EmulatorReply> DeviceEmulator::feed(const TByteArray& bytes) {
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    std::vector<TByteArray> replies;

    for (;;) {
        // The 0x00 the tool sends after every packet.
        if (m_expectTrailingZero && !m_buffer.empty()) {
            if (m_buffer.front() == 0x00)
                m_buffer.erase(m_buffer.begin());
            m_expectTrailingZero = false;
        }
        if (!m_inFirmware) {
            // Between packets: the 0x00 after each packet and any line noise are
            // skipped. The remote wake-up 00 00 07 is answered with the status.
            std::size_t skip = 0;
            while (skip < m_buffer.size() && m_buffer[skip] != kPacketIdentifier) {
                if (m_buffer[skip] == 0x07 && skip >= 2 && m_buffer[skip - 1] == 0x00 &&
                    m_buffer[skip - 2] == 0x00) {
                    EmulatorRequest wake;
                    wake.raw = {0x00, 0x00, 0x07};
                    wake.error = kWakeUp;
                    m_requests.push_back(wake);
                    m_lastReply = StatusReply(); // what a repeat request "FE" gets again
                    replies.push_back(m_lastReply);
                }
                ++skip;
            }
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(skip));
            if (m_buffer.size() < kHeaderLength)
                break;
            if (!frameableHeader(m_buffer)) {
                // A header nothing can be framed by: refuse what is there and start over.
                EmulatorRequest bad;
                bad.raw = m_buffer;
                bad.error = "ErrorBadHeader";
                m_requests.push_back(std::move(bad));
                m_buffer.clear();
                replies.push_back(BuildReply("CRCERROR"));
                break;
            }
            const std::size_t length = framedLength(m_buffer);
            if (m_buffer.size() < length)
                break;
            answerFrame(length, replies);
        } else {
            // During a firmware transfer the packets are opaque 520-byte blocks whose
            // bytes may look like any header. Only a shorter packet that parses (a
            // repeat request, a new request) is taken by its header's length.
            if (m_buffer.empty())
                break;
            std::size_t length = kFirmwarePacketLength;
            if (m_buffer.size() >= kHeaderLength && frameableHeader(m_buffer)) {
                const std::size_t framed = framedLength(m_buffer);
                if (framed < kFirmwarePacketLength) {
                    if (m_buffer.size() < framed)
                        break;
                    if (parses(TByteArray(m_buffer.begin(),
                                          m_buffer.begin() + static_cast<std::ptrdiff_t>(framed))))
                        length = framed;
                }
            } else if (m_buffer[0] == kPacketIdentifier && m_buffer.size() < kHeaderLength) {
                break;
            }
            if (m_buffer.size() < length)
                break;
            answerFrame(length, replies);
        }
    }
    return applyFaults(std::move(replies));
}

void DeviceEmulator::answerFrame(std::size_t length, std::vector<TByteArray>& replies) {
    TByteArray raw(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
    m_expectTrailingZero = true;
    for (TByteArray& r : answer(raw))
        replies.push_back(std::move(r));
}

std::vector<TByteArray> DeviceEmulator::answer(const TByteArray& raw) {
    EmulatorRequest request;
    request.raw = raw;
    try {
        request.packet = PacketParserInstance().Parse(raw);
        request.parsed = true;
    } catch (const EPacketError& e) {
        request.error = e.key();
    }

    if (m_inFirmware) {
        const bool control = request.parsed && request.packet.Command.size() == 2 &&
                             request.packet.Command[0] == 'F' && request.packet.Command != "F3" &&
                             request.packet.Command != "F1";
        if (!control) {
            if (raw.size() != kFirmwarePacketLength) {
                m_requests.push_back(std::move(request));
                return {BuildReply("CRCERROR")};
            }
            m_firmwarePackets.push_back(raw);
            m_requests.push_back(std::move(request));
            m_lastReply = BuildReply("OK");
            return {m_lastReply};
        }
        if (request.packet.Command != "FE")
            m_inFirmware = false;
    }

    if (!request.parsed) {
        m_requests.push_back(std::move(request));
        return {BuildReply("CRCERROR")};
    }
    if (commandHasCode(request.packet.Command))
        request.code = codeField(raw);
    m_requests.push_back(request);
    return answerPacket(m_requests.back());
}

std::vector<TByteArray> DeviceEmulator::answerPacket(EmulatorRequest& request) {
    const TPacket& p = request.packet;
    const std::string& command = p.Command;

    if (command == "FE") {
        // The last reply again, as it was built (a fault spoilt it on the way only).
        if (m_lastReply.empty())
            return {};
        return {m_lastReply};
    }

    std::vector<TByteArray> out;
    if (commandHasCode(command) && request.code != m_accessCode) {
        out.push_back(BuildReply("WRONG"));
    } else if (command == "F0") {
        out.push_back(StatusReply());
    } else if (command == "F2") {
        out = startRead();
    } else if (command == "F5") {
        restoreFactory();
        out = startRead();
    } else if (command == "FF") {
        // Acknowledge of packet k: send packet k + 1; the acknowledge of the last one
        // closes the read and is not answered.
        const std::size_t next = p.PacketNumber;
        if (m_readPackets.empty() || next > m_readPackets.size()) {
            return {};
        }
        if (next == m_readPackets.size()) {
            m_readPackets.clear();
            return {};
        }
        out.push_back(readPacket(next));
    } else if (command == "F4") {
        storeItems(p.Items);
        out.push_back(BuildReply("OK"));
    } else if (command == "FA") {
        m_firmwareVersion = p.Items.empty() ? std::string() : p.Items.front().Id + p.Items.front().Value;
        switch (m_firmwareAnswer) {
        case FirmwareAnswer::Ok:
            out.push_back(BuildReply("OK"));
            m_inFirmware = true;
            m_firmwarePackets.clear();
            break;
        case FirmwareAnswer::Ready:
            out.push_back(BuildReply("READY"));
            m_inFirmware = true;
            m_firmwarePackets.clear();
            break;
        case FirmwareAnswer::VersionNotOk:
            out.push_back(BuildReply("VERNROK"));
            break;
        }
    } else if (command == "FB") {
        ++m_restarts;
        out.push_back(BuildReply("OK"));
    } else {
        // A reply word or data command sent to the device, or an unknown request.
        out.push_back(BuildReply("CRCERROR"));
    }
    if (!out.empty())
        m_lastReply = out.back();
    return out;
}

std::vector<TByteArray> DeviceEmulator::startRead() {
    m_readPackets.clear();
    for (const TPacketDataArray& group : m_groups)
        if (!group.empty())
            m_readPackets.push_back(group);
    if (m_readPackets.empty())
        m_readPackets.push_back({});
    return {readPacket(0)};
}

TByteArray DeviceEmulator::readPacket(std::size_t index) const {
    const auto count = static_cast<std::uint8_t>(m_readPackets.size());
    return BuildReply("F3", m_readPackets[index], count, static_cast<std::uint8_t>(index + 1));
}

std::vector<EmulatorReply> DeviceEmulator::applyFaults(std::vector<TByteArray> replies) {
    std::vector<EmulatorReply> out;
    for (TByteArray& bytes : replies) {
        if (m_silent)
            continue;
        std::optional<PendingFault> due;
        for (auto it = m_faults.begin(); it != m_faults.end();) {
            if (--it->n == 0) {
                if (!due)
                    due = *it;
                it = m_faults.erase(it);
            } else {
                ++it;
            }
        }
        EmulatorReply reply;
        if (due) {
            switch (due->fault) {
            case EmulatorFault::Drop:
                continue;
            case EmulatorFault::Silent:
                m_silent = true;
                continue;
            case EmulatorFault::Delay:
                reply.delayMs = due->param;
                break;
            case EmulatorFault::Corrupt:
                if (bytes.size() > kHeaderLength)
                    bytes[kHeaderLength] ^= 0x5A;
                break;
            case EmulatorFault::Abort:
                bytes = BuildReply("ABORT");
                break;
            case EmulatorFault::Renumber:
                // The number is in the clear header, outside the checksum.
                if (bytes.size() > 2)
                    bytes[2] = static_cast<std::uint8_t>(due->param);
                break;
            case EmulatorFault::Split: {
                std::size_t first = due->param > 0 ? static_cast<std::size_t>(due->param) : bytes.size() / 2;
                first = std::clamp<std::size_t>(first, 1, bytes.size() - 1);
                reply.pieces.emplace_back(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(first));
                reply.pieces.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.end());
                out.push_back(std::move(reply));
                continue;
            }
            }
        }
        reply.pieces.push_back(std::move(bytes));
        out.push_back(std::move(reply));
    }
    return out;
}

std::string DeviceEmulator::ModelText(EmulatorFamily family) {
    switch (family) {
    case EmulatorFamily::N20:
        return "Dev: N20";
    case EmulatorFamily::N20D:
        return "Dev: N20D";
    case EmulatorFamily::N20_3G:
        return "Dev: N20_3G";
    case EmulatorFamily::NF20:
        return "Dev: NF20";
    case EmulatorFamily::N20F:
        return "Dev: N20F";
    case EmulatorFamily::N05:
        return "Dev: N05";
    case EmulatorFamily::N3:
        return "Dev: N3";
    }
    return "Dev: N20";
}

std::string DeviceEmulator::DefaultVersion(EmulatorFamily family) {
    switch (family) {
    case EmulatorFamily::N05:
    case EmulatorFamily::N3:
        return "Ver: 1.22";
    default:
        return "Ver: 1.27";
    }
}
