#pragma once
// The device's side of the link, in plain C++: takes the bytes the tool writes and
// answers them as a communicator would. Used in-process by the tests and the demo
// device, and on a pseudo-terminal by nconfig-devsim.
//
// The device keeps its configuration as ten groups of items ("0" to "9" by the first
// character of the item id). A read ("F2") sends one "F3" packet per group that holds
// items, one per acknowledge. Faults can be injected by name for the n-th reply.

#include "DataTypes.h"
#include "PacketParser.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

enum class EmulatorFamily : std::uint8_t { N20, N20D, N20_3G, NF20, N20F, N05, N3 };

// How the device answers the firmware start request "FA".
enum class FirmwareAnswer : std::uint8_t { Ok, Ready, VersionNotOk };

// Faults applied to the n-th reply (counted from 1 from the moment of injection).
enum class EmulatorFault : std::uint8_t {
    Drop,     // the reply is not sent
    Delay,    // the reply is sent after `param` ms
    Corrupt,  // one payload byte of the reply is changed (the tool sees a bad checksum)
    Split,    // the reply is sent in two pieces, the first `param` bytes (default: half) then the rest
    Abort,    // "ABORT" is sent in place of the reply
    Silent,   // from this reply on, nothing is answered any more
    Renumber, // the reply carries the packet number `param` instead of its own
};

struct EmulatorReply {
    std::vector<TByteArray> pieces; // one piece, or two when split; each piece is one transfer
    int delayMs = 0;                // before the first piece
};

struct EmulatorRequest {
    TByteArray raw;      // the bytes of the packet as received (without the tool's trailing 0x00)
    bool parsed = false; // false: the packet did not parse (answered "CRCERROR")
    std::string error;   // the parse failure's key when !parsed ("wake" for the remote wake-up)
    TPacket packet;      // the decoded packet when parsed
    std::string code;    // the 6-character code field ("" when the command has none)
};

class DeviceEmulator {
public:
    // The access code a new device has: the typed code "1234", on the wire "123400".
    static constexpr const char* kDefaultAccessCode = "123400";

    explicit DeviceEmulator(EmulatorFamily family = EmulatorFamily::N20D);

    // Identity and behaviour.
    // Switches to a family: model text, a matching version and the factory configuration.
    void setFamily(EmulatorFamily family);
    EmulatorFamily family() const { return m_family; }
    void setModelText(const std::string& text) { m_model = text; } // "Dev: N20D"
    void setVersion(const std::string& text) { m_version = text; } // "Ver: 1.27"
    void setSerial(const std::string& text) { m_serial = text; }
    void setImei(const std::string& text) { m_imei = text; }
    void setSendsImei(bool on) { m_sendsImei = on; } // false: the status reply has no "003"
    void setAccessCode(const std::string& sixChars) { m_accessCode = sixChars; }
    void setFirmwareAnswer(FirmwareAnswer answer) { m_firmwareAnswer = answer; }
    const std::string& modelText() const { return m_model; }
    const std::string& version() const { return m_version; }
    const std::string& serial() const { return m_serial; }
    const std::string& imei() const { return m_imei; }
    const std::string& accessCode() const { return m_accessCode; }

    // The configuration, groups 0 to 9 (identity items are not stored in it).
    const TPacketDataArray& group(int digit) const { return m_groups.at(static_cast<std::size_t>(digit)); }
    void setGroup(int digit, TPacketDataArray items) {
        m_groups.at(static_cast<std::size_t>(digit)) = std::move(items);
    }
    // The value of one item, if the configuration has it.
    std::optional<std::string> value(const std::string& id) const;
    void setValue(const std::string& id, const std::string& value);
    // Back to the factory configuration of the current family and version.
    void restoreFactory();
    // The factory configuration of a family (for its default version, or for a given
    // one: newer firmware has 32 user and zone names, older 16): groups 0 to 9.
    static std::array<TPacketDataArray, 10> FactoryConfiguration(EmulatorFamily family);
    static std::array<TPacketDataArray, 10> FactoryConfiguration(EmulatorFamily family,
                                                                 const std::string& version);
    static std::string ModelText(EmulatorFamily family);
    static std::string DefaultVersion(EmulatorFamily family);

    // Takes bytes the tool wrote (any slicing: several requests, or part of one, per
    // call; the 0x00 the tool appends after every packet is skipped) and returns the
    // replies to send, in order.
    std::vector<EmulatorReply> feed(const TByteArray& bytes);
    // Forgets any incomplete request held from earlier feeds.
    void discardPartial() {
        m_buffer.clear();
        m_expectTrailingZero = false;
    }

    // Every request received, in order.
    const std::vector<EmulatorRequest>& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // Commands of the received requests, e.g. {"F2", "FF", "FF"}; "?" for an unparsable one,
    // "wake" for the remote wake-up 00 00 07 (answered with the status).
    std::vector<std::string> requestCommands() const;
    // The firmware packets received after an accepted "FA", as received.
    const std::vector<TByteArray>& firmwarePackets() const { return m_firmwarePackets; }
    // The version text the last "FA" carried.
    const std::string& firmwareVersionRequested() const { return m_firmwareVersion; }
    // Number of "FB" restarts answered.
    int restarts() const { return m_restarts; }

    // Fault injection for the n-th reply from now (n >= 1). `param`: ms for Delay,
    // bytes of the first piece for Split (0 = half).
    void injectFault(EmulatorFault fault, int n = 1, int param = 0);
    // By name: "drop", "delay", "corrupt", "split", "abort", "silent", "renumber". False for an
    // unknown name.
    bool injectFault(const std::string& name, int n = 1, int param = 0);
    void clearFaults();
    // Go silent (or speak again) at once.
    void setSilent(bool silent) { m_silent = silent; }
    bool silent() const { return m_silent; }

    // A finished reply packet with a reply word ("OK", "ABORT" ...) or a data command.
    static TByteArray BuildReply(const std::string& command, const TPacketDataArray& items = {},
                                 std::uint8_t count = 1, std::uint8_t number = 1);
    // The "F1" status reply this device gives now.
    TByteArray StatusReply() const;

private:
    struct PendingFault {
        EmulatorFault fault;
        int n;
        int param;
    };

    // Cuts the first `length` bytes of the buffer as one packet and answers it.
    void answerFrame(std::size_t length, std::vector<TByteArray>& replies);
    std::vector<TByteArray> answer(const TByteArray& raw);
    std::vector<TByteArray> answerPacket(EmulatorRequest& request);
    std::vector<TByteArray> startRead();
    TByteArray readPacket(std::size_t index) const;
    void storeItems(const TPacketDataArray& items);
    std::vector<EmulatorReply> applyFaults(std::vector<TByteArray> replies);

    EmulatorFamily m_family = EmulatorFamily::N20D;
    std::string m_model;
    std::string m_version;
    std::string m_serial = "000123456";
    std::string m_imei = "356938035643809";
    bool m_sendsImei = true;
    std::string m_accessCode = kDefaultAccessCode;
    FirmwareAnswer m_firmwareAnswer = FirmwareAnswer::Ok;
    std::array<TPacketDataArray, 10> m_groups;

    TByteArray m_buffer; // bytes of an incomplete request
    bool m_expectTrailingZero = false;
    std::vector<EmulatorRequest> m_requests;
    std::vector<TPacketDataArray> m_readPackets; // the groups of the read in progress
    bool m_inFirmware = false;
    std::vector<TByteArray> m_firmwarePackets;
    std::string m_firmwareVersion;
    int m_restarts = 0;
    TByteArray m_lastReply; // as built, before any fault
    std::deque<PendingFault> m_faults;
    bool m_silent = false;
};
