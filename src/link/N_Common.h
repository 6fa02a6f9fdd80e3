#pragma once
// The device link: the request builders and the data communication, the only path
// between the tool and the device. Everything here runs on the window's thread.

#include "PacketParser.h"
#include "Transport.h"
#include "WindowServices.h"

#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>

class QObject;
class QEventLoop;
class TFirmware;

// Request builders. Each returns a finished wire packet made by PacketParserInstance().
TByteArray BuildStatusRequest();                               // "F0", 1 of 1
TByteArray BuildReadRequest(const std::string& accessCode);    // "F2", 1 of 1
TByteArray BuildRestoreRequest(const std::string& accessCode); // "F5", 1 of 1
TByteArray BuildWritePacket(const std::string& accessCode, const TPacketDataArray& items, std::uint8_t number,
                            std::uint8_t count); // "F4", number of count
TByteArray BuildFirmwareRequest(const std::string& accessCode, const std::string& version); // "FA"
TByteArray BuildRestartRequest(const std::string& accessCode);                              // "FB", 1 of 1
TByteArray BuildRepeatRequest(std::uint8_t count, std::uint8_t number);                     // "FE"
TByteArray BuildAcknowledge(std::uint8_t count, std::uint8_t number);                       // "FF"

enum class TLinkMode : std::uint8_t { None = 0, Serial = 1, Tcp = 2 };

enum class TCommState : std::uint8_t {
    Idle,                // an operation ended
    DataReceived,        // a data packet arrived while waiting for data
    WaitingData,         // request sent; the data packet that answers it is stored
    WaitingDelivery,     // request sent; the data packet that answers it is delivered at once
    WaitingAnswer,       // request sent; a reply word is expected
    ResponseOK,          // "OK"
    ErrorUnknown,        // never entered
    ErrorAbort,          // "ABORT"
    ErrorWrongPassword,  // "WRONG"
    ErrorCRC,            // "CRCERROR"
    VersionOK,           // "VERNROK"
    Ready,               // "READY"
    ReceivedInvalidData, // bytes that do not parse as a packet
    NoConnectionToObject // an empty reception, or the link could not be written
};

// The message key SetStatusKey gives a state ("ErrorNoResponse" for the waiting
// states). Ready has none: nullptr.
const char* StateKey(TCommState state);

// A small set of states (the stop and success sets of the exchanges).
class TCommStateSet {
public:
    constexpr TCommStateSet() = default;
    constexpr TCommStateSet(std::initializer_list<TCommState> states) {
        for (TCommState s : states)
            m_bits = static_cast<std::uint16_t>(m_bits | (1u << static_cast<unsigned>(s)));
    }
    constexpr bool contains(TCommState s) const { return (m_bits >> static_cast<unsigned>(s)) & 1u; }

private:
    std::uint16_t m_bits = 0;
};

// Milliseconds to wait for one reply, process-wide. 0 or less: no waiting at all.
constexpr int kDefaultPacketTimeout = 10000;
extern int PacketTimeout;

// The progress gauge of the firmware update.
class IGauge {
public:
    virtual ~IGauge() = default;
    virtual void SetMinimum(int value) = 0;
    virtual void SetMaximum(int value) = 0;
    virtual void SetPosition(int value) = 0;
};

class TDataCommunication {
public:
    using TPacketHandler = std::function<void(const TPacket&)>;

    // Binds the serial port's receive handler to Receive. The port, the window and the
    // TCP server must outlive this object; the destructor unbinds the port.
    TDataCommunication(ITransport* serialPort, TPacketHandler packetHandler, IWindowServices* mainWindow,
                       QObject* tcpServer = nullptr);
    ~TDataCommunication();
    TDataCommunication(const TDataCommunication&) = delete;
    TDataCommunication& operator=(const TDataCommunication&) = delete;

    TLinkMode LinkMode = TLinkMode::None;
    TCommState State = TCommState::Idle;
    std::string StatusKey;          // key of the last outcome; empty after success
    std::string DeviceVersionField; // "Ver: 1.27"; written by the general-group reader
    TPacket LastPacket;             // the last data packet received while waiting for data
    int RemoteAttempts = 5;
    TPacketArray ReceivedPackets; // the current multi-packet read, index PacketNumber - 1
    TPacketHandler PacketHandler; // every delivered data packet (the reply dispatcher)
    std::function<void(const TByteArray&)> RemoteSendHook; // transport of the Tcp mode; unset in this system

    // The operations. Each returns true on success and leaves StatusKey set; each ends
    // with State at Idle, also when it ends by an error. An operation started while
    // another one is running (from an event handled inside the wait) is refused: it
    // returns false and touches nothing.
    bool ReadSettings(const std::string& accessCode, bool reportErrors, bool restore);
    bool WritePacket(const std::string& accessCode, const TPacketDataArray& items, std::uint8_t number,
                     std::uint8_t count);
    bool QueryStatus();
    bool WriteFirmware(const std::string& accessCode, const TFirmware& firmware, IGauge* gauge);
    bool ConnectRemote();
    bool RestartRemote(const std::string& accessCode);

    bool IsActive() const { return LinkMode != TLinkMode::None; }
    // DeviceVersionField in the Tcp mode, else empty.
    std::string DeviceVersion() const;
    // True while an operation (or a bare Exchange) runs.
    bool IsBusy() const { return m_busy || m_waitLoop != nullptr || m_exchanging; }

    // Building blocks.
    // Appends 0x00, logs "Sent", writes (Serial) or hands to RemoteSendHook (Tcp).
    // False when no link mode is set or the port refused the write.
    bool Send(TByteArray bytes);
    // One received batch = one whole packet; classifies it and updates State.
    void Receive(const TByteArray& bytes);
    void DeliverPacket(const TPacket& packet);
    // Sends the request (or, after an unreadable reply, the alternate) up to `attempts`
    // times and waits, while the window's events run, until State leaves `waitState`
    // or PacketTimeout expires. Callers read State afterwards. A call from inside
    // another exchange's wait does nothing.
    void Exchange(const TByteArray& request, const std::optional<TByteArray>& alternate, TCommState waitState,
                  TCommStateSet stopStates, int attempts);
    void SetStatusKey(TCommState state, TCommStateSet successStates);

    ITransport* SerialPort() const { return m_serialPort; }
    // Rebinds the receive handler to another port (unbinds the old one).
    void SetSerialPort(ITransport* serialPort);
    QObject* TcpServer() const { return m_tcpServer; }

private:
    class TOperationGuard;
    void wait(TCommState waitState, qint64 sentAtMs);

    ITransport* m_serialPort = nullptr;
    QObject* m_tcpServer = nullptr;
    IWindowServices* m_mainWindow = nullptr;
    bool m_busy = false;
    bool m_exchanging = false;
    bool m_sendFailed = false;
    TCommState m_waitState = TCommState::Idle;
    QEventLoop* m_waitLoop = nullptr;
    QElapsedTimer m_clock;
};

// The program's single instance (nullptr when there is none). The main window
// publishes it after creating it and clears it before freeing it, both under LinkLock().
TDataCommunication* DataCommunication();
void SetDataCommunication(TDataCommunication* instance);
std::mutex& LinkLock();
