#include "N_Common.h"

#include "N_Firmware.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <exception>

namespace {

TByteArray build(const std::string& command, const std::string& accessCode, std::uint8_t count = 1,
                 std::uint8_t number = 1, TPacketDataArray items = {}) {
    TPacket packet;
    packet.PacketCount = count;
    packet.PacketNumber = number;
    packet.Command = command;
    packet.Items = std::move(items);
    return PacketParserInstance().Build(packet, accessCode);
}

} // namespace

TByteArray BuildStatusRequest() {
    return build("F0", "");
}

TByteArray BuildReadRequest(const std::string& accessCode) {
    return build("F2", accessCode);
}

TByteArray BuildRestoreRequest(const std::string& accessCode) {
    return build("F5", accessCode);
}

TByteArray BuildWritePacket(const std::string& accessCode, const TPacketDataArray& items, std::uint8_t number,
                            std::uint8_t count) {
    return build("F4", accessCode, count, number, items);
}

TByteArray BuildFirmwareRequest(const std::string& accessCode, const std::string& version) {
    return build("FA", accessCode, 1, 1, {{"", version}});
}

TByteArray BuildRestartRequest(const std::string& accessCode) {
    return build("FB", accessCode);
}

TByteArray BuildRepeatRequest(std::uint8_t count, std::uint8_t number) {
    return build("FE", "", count, number);
}

TByteArray BuildAcknowledge(std::uint8_t count, std::uint8_t number) {
    return build("FF", "", count, number);
}

// ---------------------------------------------------------------------------
// Data communication

int PacketTimeout = kDefaultPacketTimeout;

namespace {

TDataCommunication* g_instance = nullptr;

// Devices with this version need a pause before every exchange over the remote link.
const std::string kSlowRemoteVersion = "Ver: 1.12";
constexpr unsigned long kSlowRemotePauseMs = 1000;

} // namespace

const char* StateKey(TCommState state) {
    switch (state) {
    case TCommState::Idle:
        return "Idle";
    case TCommState::DataReceived:
        return "DataReceived";
    case TCommState::WaitingData:
    case TCommState::WaitingDelivery:
    case TCommState::WaitingAnswer:
        return "ErrorNoResponse";
    case TCommState::ResponseOK:
        return "ResponseOK";
    case TCommState::ErrorUnknown:
        return "ErrorUnknown";
    case TCommState::ErrorAbort:
        return "ErrorAbort";
    case TCommState::ErrorWrongPassword:
        return "ErrorWrongPassword";
    case TCommState::ErrorCRC:
        return "ErrorCRC";
    case TCommState::VersionOK:
        return "VersionOK";
    case TCommState::Ready:
        return nullptr;
    case TCommState::ReceivedInvalidData:
        return "ReceivedInvalidData";
    case TCommState::NoConnectionToObject:
        return "NoConnectionToObject";
    }
    return "ErrorUnknown";
}

// Marks an operation as running and, however it ends (also by an error), leaves
// State at Idle: the wait window closes only on Idle. Not acquired when another
// operation is already running; that one is then left untouched.
class TDataCommunication::TOperationGuard {
public:
    explicit TOperationGuard(TDataCommunication& owner) : m_owner(owner), m_acquired(!owner.IsBusy()) {
        if (m_acquired)
            m_owner.m_busy = true;
    }
    ~TOperationGuard() {
        if (m_acquired) {
            m_owner.State = TCommState::Idle;
            m_owner.m_busy = false;
        }
    }
    TOperationGuard(const TOperationGuard&) = delete;
    TOperationGuard& operator=(const TOperationGuard&) = delete;
    explicit operator bool() const { return m_acquired; }

private:
    TDataCommunication& m_owner;
    bool m_acquired;
};

namespace {

// Debug lines are made only while the debug log is visible: the text is built by
// the callable, which is not called otherwise.
template <typename MakeLine> void DebugLine(IWindowServices* window, MakeLine&& make) {
    if (window && window->DebugVisible())
        window->AddDebugLine(make());
}

} // namespace

TDataCommunication::TDataCommunication(ITransport* serialPort, TPacketHandler packetHandler,
                                       IWindowServices* mainWindow, QObject* tcpServer)
    : PacketHandler(std::move(packetHandler)), m_tcpServer(tcpServer), m_mainWindow(mainWindow) {
    m_clock.start();
    SetSerialPort(serialPort);
}

TDataCommunication::~TDataCommunication() {
    if (m_serialPort)
        m_serialPort->setReceiveHandler({});
    if (m_waitLoop)
        m_waitLoop->quit();
}

void TDataCommunication::SetSerialPort(ITransport* serialPort) {
    if (m_serialPort)
        m_serialPort->setReceiveHandler({});
    m_serialPort = serialPort;
    if (m_serialPort)
        m_serialPort->setReceiveHandler([this](const TByteArray& bytes) { Receive(bytes); });
}

std::string TDataCommunication::DeviceVersion() const {
    return LinkMode == TLinkMode::Tcp ? DeviceVersionField : std::string();
}

bool TDataCommunication::Send(TByteArray bytes) {
    if (LinkMode == TLinkMode::None)
        return false;
    bytes.push_back(0x00);
    if (m_mainWindow)
        m_mainWindow->LogBytes("Sent", bytes);
    if (LinkMode == TLinkMode::Serial) {
        if (!m_serialPort) {
            m_sendFailed = true;
            return false;
        }
        try {
            m_serialPort->write(bytes);
        } catch (const std::exception&) {
            // A port that is closed or gone: the exchange ends at once with
            // "NoConnectionToObject" instead of waiting for a reply that cannot come.
            m_sendFailed = true;
            return false;
        }
    } else if (RemoteSendHook) {
        try {
            RemoteSendHook(bytes);
        } catch (const std::exception&) {
            m_sendFailed = true;
            return false;
        }
    }
    return true;
}

void TDataCommunication::Receive(const TByteArray& bytes) {
    if (m_mainWindow)
        m_mainWindow->LogBytes("Received", bytes);

    if (bytes.empty()) {
        State = TCommState::NoConnectionToObject;
    } else {
        bool parsed = false;
        TPacket packet;
        try {
            packet = PacketParserInstance().Parse(bytes);
            parsed = true;
        } catch (const std::exception&) {
            State = TCommState::ReceivedInvalidData;
        }
        if (parsed) {
            try {
                const std::string& command = packet.Command;
                if (command == "OK") {
                    State = TCommState::ResponseOK;
                } else if (command == "ABORT") {
                    State = TCommState::ErrorAbort;
                    if (m_mainWindow)
                        m_mainWindow->HandleAbort();
                } else if (command == "WRONG") {
                    State = TCommState::ErrorWrongPassword;
                } else if (command == "CRCERROR") {
                    State = TCommState::ErrorCRC;
                } else if (command == "VERNROK") {
                    State = TCommState::VersionOK;
                } else if (command == "READY") {
                    State = TCommState::Ready;
                } else if (State == TCommState::WaitingData) {
                    LastPacket = std::move(packet);
                    State = TCommState::DataReceived;
                } else if (State == TCommState::WaitingDelivery) {
                    State = TCommState::DataReceived;
                    DeliverPacket(packet);
                }
                // A data packet in any other state is dropped.
            } catch (...) {
                State = TCommState::ReceivedInvalidData;
            }
        }
    }

    if (m_waitLoop && State != m_waitState)
        m_waitLoop->quit();
}

void TDataCommunication::DeliverPacket(const TPacket& packet) {
    if (PacketHandler)
        PacketHandler(packet);
}

// Waits, with the window's events running, until State leaves waitState or
// PacketTimeout ms have passed since the send. Receive ends the wait at once; a
// single-shot timer ends it at the time-out. Nothing polls.
void TDataCommunication::wait(TCommState waitState, qint64 sentAtMs) {
    const qint64 timeout = PacketTimeout;
    if (timeout <= 0)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_waitLoop = &loop;
    m_waitState = waitState;
    while (State == waitState) {
        const qint64 remaining = timeout - (m_clock.elapsed() - sentAtMs);
        if (remaining <= 0)
            break;
        timer.start(static_cast<int>(remaining));
        // A quitting application runs no event loop any more: exec() returns at once
        // (with -1), and waiting on would spin until the time-out.
        if (loop.exec() < 0)
            break;
    }
    m_waitLoop = nullptr;
}

void TDataCommunication::Exchange(const TByteArray& request, const std::optional<TByteArray>& alternate,
                                  TCommState waitState, TCommStateSet stopStates, int attempts) {
    if (m_exchanging)
        return; // started from an event inside another exchange's wait
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_exchanging};
    m_exchanging = true;

    if (LinkMode == TLinkMode::Tcp && DeviceVersion() == kSlowRemoteVersion)
        QThread::msleep(kSlowRemotePauseMs);

    for (int attempt = 0; attempt < attempts; ++attempt) {
        const bool useAlternate =
            attempt > 0 && State == TCommState::ReceivedInvalidData && alternate.has_value();
        const TByteArray& packet = useAlternate ? *alternate : request;
        State = waitState;
        m_sendFailed = false;
        Send(packet);
        const qint64 sentAt = m_clock.elapsed();
        if (m_sendFailed) {
            if (State == waitState)
                State = TCommState::NoConnectionToObject;
        } else if (!stopStates.contains(waitState)) {
            wait(waitState, sentAt);
        }
        if (stopStates.contains(State))
            break;
    }
}

void TDataCommunication::SetStatusKey(TCommState state, TCommStateSet successStates) {
    if (successStates.contains(state)) {
        StatusKey.clear();
        return;
    }
    if (const char* key = StateKey(state))
        StatusKey = key;
}

bool TDataCommunication::ReadSettings(const std::string& accessCode, bool reportErrors, bool restore) {
    TOperationGuard guard(*this);
    if (!guard)
        return false;
    const qint64 start = m_clock.elapsed();
    const TByteArray request = restore ? BuildRestoreRequest(accessCode) : BuildReadRequest(accessCode);

    bool ok = false;
    qint64 packetStart = m_clock.elapsed();
    Exchange(request, std::nullopt, TCommState::WaitingData, {TCommState::DataReceived}, 1);
    SetStatusKey(State, {TCommState::DataReceived});
    if (State == TCommState::DataReceived && LastPacket.PacketNumber == 1 && LastPacket.PacketCount == 0) {
        // "Packet 1 of 0" makes no sense: the reply is not trusted.
        StatusKey = StateKey(TCommState::ReceivedInvalidData);
    } else if (State == TCommState::DataReceived && LastPacket.PacketNumber == 1) {
        DebugLine(m_mainWindow,
                  [&] { return "1 packet read time: " + std::to_string(m_clock.elapsed() - packetStart); });
        const int count = LastPacket.PacketCount;
        ReceivedPackets.assign(static_cast<std::size_t>(count), TPacket{});
        ReceivedPackets[0] = LastPacket;
        ok = true;
        for (int k = 2; k <= count && ok; ++k) {
            packetStart = m_clock.elapsed();
            Exchange(BuildAcknowledge(static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(k - 1)),
                     std::nullopt, TCommState::WaitingData, {TCommState::DataReceived}, 1);
            SetStatusKey(State, {TCommState::DataReceived});
            if (State != TCommState::DataReceived || LastPacket.PacketNumber != k) {
                ok = false;
                break;
            }
            DebugLine(m_mainWindow, [&] {
                return std::to_string(k) +
                       " packet read time: " + std::to_string(m_clock.elapsed() - packetStart);
            });
            ReceivedPackets[static_cast<std::size_t>(k - 1)] = LastPacket;
            if (k == count)
                Exchange(BuildAcknowledge(static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count)),
                         std::nullopt, TCommState::WaitingData, {TCommState::WaitingData}, 1);
        }
    }

    if (ok) {
        try {
            for (const TPacket& packet : ReceivedPackets)
                DeliverPacket(packet);
            return true;
        } catch (...) {
            // The handler could not take a packet: the read counts as failed.
            StatusKey = StateKey(TCommState::ReceivedInvalidData);
        }
    }

    DebugLine(m_mainWindow,
              [&] { return "Total settings read time: " + std::to_string(m_clock.elapsed() - start); });
    if ((reportErrors || State != TCommState::ErrorWrongPassword) && m_mainWindow)
        m_mainWindow->PostMessageText(m_mainWindow->Lookup(QStringLiteral("ErrorReceivingPackets")));
    return false;
}

bool TDataCommunication::WritePacket(const std::string& accessCode, const TPacketDataArray& items,
                                     std::uint8_t number, std::uint8_t count) {
    TOperationGuard guard(*this);
    if (!guard)
        return false;
    const qint64 start = m_clock.elapsed();
    Exchange(BuildWritePacket(accessCode, items, number, count), std::nullopt, TCommState::WaitingAnswer,
             {TCommState::ResponseOK}, 1);
    SetStatusKey(State, {TCommState::ResponseOK});
    DebugLine(m_mainWindow, [&] {
        return std::to_string(number) + " packet write time: " + std::to_string(m_clock.elapsed() - start);
    });
    return State == TCommState::ResponseOK;
}

bool TDataCommunication::QueryStatus() {
    if (!IsActive())
        return false;
    TOperationGuard guard(*this);
    if (!guard)
        return false;
    Exchange(BuildStatusRequest(), std::nullopt, TCommState::WaitingDelivery, {TCommState::DataReceived}, 1);
    SetStatusKey(State, {TCommState::DataReceived});
    return State == TCommState::DataReceived;
}

bool TDataCommunication::WriteFirmware(const std::string& accessCode, const TFirmware& firmware,
                                       IGauge* gauge) {
    TOperationGuard guard(*this);
    if (!guard)
        return false;
    if (!IsActive()) {
        // Say why, so that the caller does not show the key of an earlier operation.
        StatusKey = StateKey(TCommState::NoConnectionToObject);
        return false;
    }
    constexpr int kAttempts = 3;
    Exchange(BuildFirmwareRequest(accessCode, firmware.VersionCode()), BuildRepeatRequest(1, 1),
             TCommState::WaitingAnswer, {TCommState::ResponseOK, TCommState::VersionOK, TCommState::Ready},
             kAttempts);
    SetStatusKey(State, {TCommState::ResponseOK, TCommState::Ready});
    if (State == TCommState::VersionOK)
        return true;
    if (State != TCommState::ResponseOK && State != TCommState::Ready)
        return false;

    const int count = firmware.PacketCount();
    if (gauge) {
        gauge->SetMinimum(0);
        gauge->SetMaximum(count);
        gauge->SetPosition(0);
    }
    TByteArray packet;
    for (int i = 1; i <= count; ++i) {
        try {
            firmware.GetFirmwarePacket(i - 1, packet);
        } catch (const std::exception& e) {
            StatusKey = e.what();
            return false;
        }
        // Header numbers are one byte: FE carries the count and position modulo 256.
        Exchange(packet, BuildRepeatRequest(static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(i)),
                 TCommState::WaitingAnswer, {TCommState::ResponseOK}, kAttempts);
        SetStatusKey(State, {TCommState::ResponseOK});
        if (State != TCommState::ResponseOK)
            return false;
        if (gauge)
            gauge->SetPosition(i);
    }
    return true;
}

bool TDataCommunication::ConnectRemote() {
    TOperationGuard guard(*this);
    if (!guard)
        return false;
    DeviceVersionField.clear();
    Exchange(TByteArray{0x00, 0x00, 0x07}, BuildRepeatRequest(1, 1), TCommState::WaitingDelivery,
             {TCommState::DataReceived}, RemoteAttempts);
    SetStatusKey(State, {TCommState::DataReceived});
    return State == TCommState::DataReceived;
}

bool TDataCommunication::RestartRemote(const std::string& accessCode) {
    TOperationGuard guard(*this);
    if (!guard)
        return false;
    Exchange(BuildRestartRequest(accessCode), BuildRepeatRequest(1, 1), TCommState::WaitingDelivery,
             {TCommState::ResponseOK, TCommState::ErrorAbort}, RemoteAttempts);
    SetStatusKey(State, {TCommState::ResponseOK});
    return State == TCommState::ResponseOK;
}

TDataCommunication* DataCommunication() {
    return g_instance;
}

void SetDataCommunication(TDataCommunication* instance) {
    g_instance = instance;
}

std::mutex& LinkLock() {
    static std::mutex lock;
    return lock;
}
