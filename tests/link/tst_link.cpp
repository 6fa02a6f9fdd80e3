// The data communication against the device emulator, and the emulator itself.

#include "DeviceEmulator.h"
#include "EmulatorTransport.h"
#include "N_Common.h"
#include "N_Firmware.h"
#include "N_Language.h"
#include "ScriptedPrompts.h"
#include "TempSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>

Q_DECLARE_METATYPE(TCommState)
Q_DECLARE_METATYPE(FirmwareAnswer)

namespace {

constexpr int kShortTimeout = 300;
const std::string kCode = DeviceEmulator::kDefaultAccessCode;

// The window services as a test sees them: records lines, posted texts and aborts,
// and counts how often the debug log's visibility was asked.
class TestWindow : public IWindowServices {
public:
    bool visible = false;
    mutable int visibilityQueries = 0;
    std::vector<std::string> lines;
    QStringList posted;
    int aborts = 0;
    std::function<void()> onAbort;

    bool DebugVisible() const override {
        ++visibilityQueries;
        return visible;
    }
    void AddDebugLine(const std::string& line) override { lines.push_back(line); }
    void PostMessageText(const QString& text) override { posted << text; }
    void HandleAbort() override {
        ++aborts;
        if (onAbort)
            onAbort();
    }
    QString Lookup(const QString& key) override { return QStringLiteral("T:") + key; }
};

class TestGauge : public IGauge {
public:
    int minimum = -1, maximum = -1, position = -1;
    void SetMinimum(int v) override { minimum = v; }
    void SetMaximum(int v) override { maximum = v; }
    void SetPosition(int v) override { position = v; }
};

// A device, the in-process link to it, a window and the data communication on them.
struct Rig {
    DeviceEmulator device;
    EmulatorTransport port{&device};
    TestWindow window;
    std::vector<TPacket> delivered;
    std::function<void(const TPacket&)> onPacket;
    TDataCommunication comm{&port,
                            [this](const TPacket& p) {
                                delivered.push_back(p);
                                if (onPacket)
                                    onPacket(p);
                            },
                            &window};
    Rig() { comm.LinkMode = TLinkMode::Serial; }

    // The groups the device holds, as many as asked (1 to 10), each with two items.
    void useGroups(int count) {
        for (int g = 0; g < 10; ++g) {
            TPacketDataArray items;
            if (g < count) {
                const std::string digit(1, static_cast<char>('0' + g));
                items = {{digit + "10", "A" + digit}, {digit + "11", "B" + digit}};
            }
            device.setGroup(g, items);
        }
    }

    // Processes events until the port has delivered `count` more batches.
    bool waitForBatches(int count) {
        QSignalSpy spy(&port, &EmulatorTransport::batchDelivered);
        while (spy.count() < count)
            if (!spy.wait(1000))
                return false;
        return true;
    }

    std::vector<EmulatorRequest> requestsWith(const std::string& command) const {
        std::vector<EmulatorRequest> out;
        for (const EmulatorRequest& r : device.requests())
            if (r.parsed && r.packet.Command == command)
                out.push_back(r);
        return out;
    }
};

// A transport that answers inside write(), before the write returns.
class SynchronousTransport : public ITransport {
public:
    DeviceEmulator device;
    void write(const TByteArray& bytes) override {
        for (const EmulatorReply& reply : device.feed(bytes))
            for (const TByteArray& piece : reply.pieces)
                deliver(piece);
    }
};

TByteArray concat(std::initializer_list<TByteArray> parts) {
    TByteArray out;
    for (const TByteArray& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TPacket parse(const TByteArray& bytes) {
    return PacketParserInstance().Parse(bytes);
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    int m_savedTimeout = kDefaultPacketTimeout;
    QTemporaryDir m_dir;

    // A firmware file of `packets` packets of 520 bytes, loaded; each packet starts
    // with `start` when given.
    std::unique_ptr<TFirmware> makeFirmware(int packets, const TByteArray& start = {}) {
        const std::string path = (m_dir.path() + QStringLiteral("/N20D_010A.prg")).toStdString();
        std::ofstream out(path, std::ios::binary);
        out << "01.0A\r\n";
        static const char kHex[] = "0123456789ABCDEF";
        for (int i = 0; i < packets * 520; ++i) {
            int b = (i * 7 + 0x55) & 0xFF;
            if (static_cast<std::size_t>(i % 520) < start.size())
                b = start[static_cast<std::size_t>(i % 520)];
            out << kHex[b >> 4] << kHex[b & 15] << ' ';
        }
        out << "\r\n";
        out.close();
        auto firmware = std::make_unique<TFirmware>();
        if (!firmware->LoadFirmware(path))
            return nullptr;
        return firmware;
    }

private slots:
    void init() {
        m_savedTimeout = PacketTimeout;
        PacketTimeout = kShortTimeout;
    }
    void cleanup() { PacketTimeout = m_savedTimeout; }

    // ---- reads ---------------------------------------------------------------

    void readSettings_acknowledgesEachPacket_andDeliversAllInOrder_data() {
        QTest::addColumn<int>("groups");
        QTest::addColumn<bool>("restore");
        QTest::newRow("single packet sends no FF") << 1 << false;
        QTest::newRow("three packets") << 3 << false;
        QTest::newRow("ten packets") << 10 << false;
        QTest::newRow("restore, three packets") << 3 << true;
    }
    void readSettings_acknowledgesEachPacket_andDeliversAllInOrder() {
        QFETCH(int, groups);
        QFETCH(bool, restore);
        Rig rig;
        int expected = groups;
        if (restore) {
            // F5 must bring back the factory groups, not the ones the device holds now.
            rig.device.setFamily(EmulatorFamily::N20);
            const auto factory = DeviceEmulator::FactoryConfiguration(EmulatorFamily::N20);
            expected = static_cast<int>(std::count_if(factory.begin(), factory.end(),
                                                      [](const TPacketDataArray& g) { return !g.empty(); }));
        }
        rig.useGroups(groups);

        PacketTimeout = 3000; // the closing FF gets no reply: the read must not wait for one
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.comm.ReadSettings(kCode, true, restore));
        QVERIFY(clock.elapsed() < 1500);

        QCOMPARE(rig.comm.State, TCommState::Idle);
        QCOMPARE(rig.comm.StatusKey, std::string());
        QVERIFY(rig.window.posted.isEmpty());

        const auto commands = rig.device.requestCommands();
        QCOMPARE(commands.front(), std::string(restore ? "F5" : "F2"));
        const auto acks = rig.requestsWith("FF");
        QCOMPARE(static_cast<int>(acks.size()), expected == 1 ? 0 : expected);
        for (std::size_t i = 0; i < acks.size(); ++i) {
            QCOMPARE(static_cast<int>(acks[i].packet.PacketCount), expected);
            QCOMPARE(static_cast<int>(acks[i].packet.PacketNumber), static_cast<int>(i + 1));
        }

        QCOMPARE(static_cast<int>(rig.delivered.size()), expected);
        for (int k = 0; k < expected; ++k) {
            QCOMPARE(static_cast<int>(rig.delivered[k].PacketNumber), k + 1);
            QCOMPARE(rig.delivered[k].Command, std::string("F3"));
        }
        if (!restore)
            QCOMPARE(rig.delivered.back().Items, rig.device.group(groups - 1));
        else
            QCOMPARE(rig.delivered.front().Items,
                     DeviceEmulator::FactoryConfiguration(EmulatorFamily::N20)[0]);
    }

    void readSettings_wrongPacketNumber_failsSilentlyAndDeliversNothing() {
        Rig rig;
        rig.useGroups(4);
        rig.device.injectFault(EmulatorFault::Renumber, 2, 3); // the answer to FF(4,1) says "packet 3"
        QVERIFY(!rig.comm.ReadSettings(kCode, true, false));
        QCOMPARE(rig.comm.StatusKey, std::string());
        QCOMPARE(rig.window.posted, QStringList{QStringLiteral("T:ErrorReceivingPackets")});
        QVERIFY(rig.delivered.empty());
        QCOMPARE(rig.comm.State, TCommState::Idle);
        QCOMPARE(rig.requestsWith("FF").size(), std::size_t(1)); // nothing after the bad packet
    }

    void readSettings_failures_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("faultAt");
        QTest::addColumn<bool>("wrongCode");
        QTest::addColumn<bool>("reportErrors");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("posted");
        QTest::newRow("wrong code") << "" << 0 << true << true << "ErrorWrongPassword" << true;
        QTest::newRow("wrong code, errors not reported")
            << "" << 0 << true << false << "ErrorWrongPassword" << false;
        QTest::newRow("no first reply") << "drop" << 1 << false << true << "ErrorNoResponse" << true;
        QTest::newRow("no second reply") << "drop" << 2 << false << false << "ErrorNoResponse" << true;
        QTest::newRow("unreadable second reply")
            << "corrupt" << 2 << false << true << "ReceivedInvalidData" << true;
        QTest::newRow("abort instead of third") << "abort" << 3 << false << true << "ErrorAbort" << true;
    }
    void readSettings_failures() {
        QFETCH(QString, fault);
        QFETCH(int, faultAt);
        QFETCH(bool, wrongCode);
        QFETCH(bool, reportErrors);
        QFETCH(QString, key);
        QFETCH(bool, posted);
        Rig rig;
        rig.useGroups(4);
        if (!fault.isEmpty())
            QVERIFY(rig.device.injectFault(fault.toStdString(), faultAt));
        QVERIFY(!rig.comm.ReadSettings(wrongCode ? "999900" : kCode, reportErrors, false));
        QCOMPARE(rig.comm.StatusKey, key.toStdString());
        QCOMPARE(rig.window.posted.size(), posted ? 1 : 0);
        QVERIFY(rig.delivered.empty());
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void readSettings_firstReplyOfZeroPackets_failsWithoutAcknowledge() {
        Rig rig;
        rig.device.setSilent(true);
        rig.port.pushUnsolicited(DeviceEmulator::BuildReply("F3", {{"010", "1"}}, 0, 1), 20);
        QVERIFY(!rig.comm.ReadSettings(kCode, true, false));
        QCOMPARE(rig.comm.StatusKey, std::string("ReceivedInvalidData"));
        QVERIFY(rig.delivered.empty());
        QVERIFY(rig.requestsWith("FF").empty());
        QCOMPARE(rig.window.posted.size(), 1);
    }

    void readSettings_handlerThrows_failsAndEndsIdle() {
        Rig rig;
        rig.useGroups(2);
        rig.onPacket = [](const TPacket&) { throw std::runtime_error("bad"); };
        QVERIFY(!rig.comm.ReadSettings(kCode, true, false));
        QCOMPARE(rig.comm.State, TCommState::Idle);
        QCOMPARE(rig.comm.StatusKey, std::string("ReceivedInvalidData"));
        QCOMPARE(rig.window.posted.size(), 1);
    }

    // ---- reception -----------------------------------------------------------

    void dataPacket_isStoredDeliveredOrDroppedByState_data() {
        QTest::addColumn<TCommState>("state");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<TCommState>("after");
        QTest::newRow("idle: dropped") << TCommState::Idle << false << false << TCommState::Idle;
        QTest::newRow("waiting answer: dropped")
            << TCommState::WaitingAnswer << false << false << TCommState::WaitingAnswer;
        QTest::newRow("data received: dropped")
            << TCommState::DataReceived << false << false << TCommState::DataReceived;
        QTest::newRow("waiting data: stored")
            << TCommState::WaitingData << true << false << TCommState::DataReceived;
        QTest::newRow("waiting delivery: delivered")
            << TCommState::WaitingDelivery << false << true << TCommState::DataReceived;
    }
    void dataPacket_isStoredDeliveredOrDroppedByState() {
        QFETCH(TCommState, state);
        QFETCH(bool, stored);
        QFETCH(bool, delivered);
        QFETCH(TCommState, after);
        Rig rig;
        rig.comm.State = state;
        rig.port.pushUnsolicited(DeviceEmulator::BuildReply("F3", {{"510", "x"}}, 2, 2));
        QVERIFY(rig.waitForBatches(1));
        QCOMPARE(rig.comm.State, after);
        QCOMPARE(rig.comm.LastPacket.Items.size(), std::size_t(stored ? 1 : 0));
        QCOMPARE(rig.delivered.size(), std::size_t(delivered ? 1 : 0));
    }

    void replyWord_changesStateBetweenOperations_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<TCommState>("state");
        QTest::newRow("OK") << "OK" << TCommState::ResponseOK;
        QTest::newRow("WRONG") << "WRONG" << TCommState::ErrorWrongPassword;
        QTest::newRow("CRCERROR") << "CRCERROR" << TCommState::ErrorCRC;
        QTest::newRow("VERNROK") << "VERNROK" << TCommState::VersionOK;
        QTest::newRow("READY") << "READY" << TCommState::Ready;
        QTest::newRow("ABORT") << "ABORT" << TCommState::ErrorAbort;
        QTest::newRow("unparsable") << "" << TCommState::ReceivedInvalidData;
    }
    void replyWord_changesStateBetweenOperations() {
        QFETCH(QString, word);
        QFETCH(TCommState, state);
        Rig rig;
        const TByteArray bytes =
            word.isEmpty() ? TByteArray{0x02, 0x01, 0x01} : DeviceEmulator::BuildReply(word.toStdString());
        rig.port.pushUnsolicited(bytes);
        QVERIFY(rig.waitForBatches(1));
        QCOMPARE(rig.comm.State, state);
        QCOMPARE(rig.window.aborts, word == QLatin1String("ABORT") ? 1 : 0);
    }

    void abortHandlerRaises_isInvalidData() {
        Rig rig;
        rig.window.onAbort = [] { throw std::runtime_error("closing failed"); };
        rig.port.pushUnsolicited(DeviceEmulator::BuildReply("ABORT"));
        QVERIFY(rig.waitForBatches(1));
        QCOMPARE(rig.window.aborts, 1);
        QCOMPARE(rig.comm.State, TCommState::ReceivedInvalidData);
    }

    void emptyBatch_meansNoConnection() {
        Rig rig;
        rig.comm.Receive({});
        QCOMPARE(rig.comm.State, TCommState::NoConnectionToObject);
    }

    void unsolicitedAbort_letsTheWindowCloseTheLinkFromInsideTheDelivery() {
        Rig rig;
        rig.window.onAbort = [&] { rig.port.close(); };
        rig.port.pushUnsolicited(DeviceEmulator::BuildReply("ABORT"));
        rig.port.pushUnsolicited(DeviceEmulator::BuildReply("OK"), 5);
        QVERIFY(rig.waitForBatches(1));
        QCOMPARE(rig.window.aborts, 1);
        QVERIFY(!rig.port.isOpen());
        QCOMPARE(rig.port.pendingBatches(), 0); // the closed link delivers nothing more
        QCOMPARE(rig.comm.State, TCommState::ErrorAbort);
        rig.port.pushUnsolicited(DeviceEmulator::BuildReply("OK"));
        QCOMPARE(rig.port.pendingBatches(), 0); // nor keeps what comes while it is closed
    }

    void abortDuringWrite_endsTheExchangeAtOnce() {
        Rig rig;
        rig.window.onAbort = [&] { rig.port.close(); };
        rig.device.injectFault("abort", 1);
        PacketTimeout = 3000;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.comm.WritePacket(kCode, {{"010", "1"}}, 1, 6));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(rig.comm.StatusKey, std::string("ErrorAbort"));
        QCOMPARE(rig.window.aborts, 1);
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void replyInTwoBatches_isInvalidAtOnce() {
        Rig rig;
        rig.device.injectFault("split", 1);
        PacketTimeout = 3000;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.comm.QueryStatus());
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(rig.comm.StatusKey, std::string("ReceivedInvalidData"));
        QVERIFY(rig.delivered.empty());
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    // ---- status, write -------------------------------------------------------

    void queryStatus_deliversIdentity_data() {
        QTest::addColumn<bool>("sendsImei");
        QTest::newRow("with IMEI") << true;
        QTest::newRow("without IMEI") << false;
    }
    void queryStatus_deliversIdentity() {
        QFETCH(bool, sendsImei);
        Rig rig;
        rig.device.setSendsImei(sendsImei);
        QVERIFY(rig.comm.QueryStatus());
        QCOMPARE(rig.comm.StatusKey, std::string());
        QCOMPARE(rig.delivered.size(), std::size_t(1));
        const TPacket& status = rig.delivered.front();
        QCOMPARE(status.Command, std::string("F1"));
        QCOMPARE(status.Items.size(), std::size_t(sendsImei ? 4 : 3));
        QCOMPARE(status.Items[0], (TPacketData{"000", "Dev: N20D"}));
        QCOMPARE(status.Items[2].Id, std::string("002"));
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void queryStatus_withoutLink_sendsNothingAndTouchesNothing() {
        Rig rig;
        rig.comm.LinkMode = TLinkMode::None;
        rig.comm.State = TCommState::ResponseOK;
        rig.comm.StatusKey = "Earlier";
        QVERIFY(!rig.comm.QueryStatus());
        QVERIFY(rig.port.writes().empty());
        QCOMPARE(rig.comm.State, TCommState::ResponseOK);
        QCOMPARE(rig.comm.StatusKey, std::string("Earlier"));
    }

    void writeOnClosedPort_failsAtOnceAndEndsIdle() {
        Rig rig;
        rig.port.close();
        PacketTimeout = 3000;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.comm.QueryStatus());
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(rig.comm.StatusKey, std::string("NoConnectionToObject"));
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void statusHandlerThrows_isInvalidData() {
        Rig rig;
        rig.onPacket = [](const TPacket&) { throw std::runtime_error("bad"); };
        QVERIFY(!rig.comm.QueryStatus());
        QCOMPARE(rig.comm.StatusKey, std::string("ReceivedInvalidData"));
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void writeThenRead_returnsTheWrittenValues() {
        Rig rig;
        rig.device.setFamily(EmulatorFamily::N20);
        for (std::uint8_t n = 1; n <= 6; ++n) {
            const std::string digit(1, static_cast<char>('0' + n - 1));
            QVERIFY(rig.comm.WritePacket(kCode, {{digit + "90", "written" + digit}}, n, 6));
            QCOMPARE(rig.comm.StatusKey, std::string());
        }
        const auto writes = rig.requestsWith("F4");
        QCOMPARE(writes.size(), std::size_t(6));
        QCOMPARE(static_cast<int>(writes[5].packet.PacketNumber), 6);
        QCOMPARE(static_cast<int>(writes[5].packet.PacketCount), 6);

        QVERIFY(rig.comm.ReadSettings(kCode, true, false));
        int found = 0;
        for (const TPacket& p : rig.delivered)
            for (const TPacketData& item : p.Items)
                if (item.Id.size() == 3 && item.Id.substr(1) == "90") {
                    QCOMPARE(item.Value, "written" + item.Id.substr(0, 1));
                    ++found;
                }
        QCOMPARE(found, 6);
    }

    void writePacket_refusals_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("stored");
        QTest::newRow("wrong code") << "111100"
                                    << ""
                                    << "ErrorWrongPassword" << false;
        QTest::newRow("answer lost") << QString::fromStdString(kCode) << "drop"
                                     << "ErrorNoResponse" << true;
        QTest::newRow("unreadable answer") << QString::fromStdString(kCode) << "corrupt"
                                           << "ReceivedInvalidData" << true;
    }
    void writePacket_refusals() {
        QFETCH(QString, code);
        QFETCH(QString, fault);
        QFETCH(QString, key);
        QFETCH(bool, stored);
        Rig rig;
        if (!fault.isEmpty())
            rig.device.injectFault(fault.toStdString(), 1);
        QVERIFY(!rig.comm.WritePacket(code.toStdString(), {{"110", "x"}}, 2, 6));
        QCOMPARE(rig.comm.StatusKey, key.toStdString());
        QCOMPARE(rig.device.value("110") == std::optional<std::string>("x"), stored);
        QCOMPARE(rig.requestsWith("F4").size(), std::size_t(1)); // one attempt only
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void writeAnsweredReady_failsAndLeavesTheKeyAsItWas() {
        Rig rig;
        rig.device.setSilent(true);
        rig.comm.StatusKey = "Earlier";
        rig.port.pushUnsolicited(DeviceEmulator::BuildReply("READY"), 20);
        QVERIFY(!rig.comm.WritePacket(kCode, {{"110", "x"}}, 1, 6));
        QCOMPARE(rig.comm.StatusKey, std::string("Earlier"));
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    // ---- firmware ------------------------------------------------------------

    void firmwareStart_answer_data() {
        QTest::addColumn<FirmwareAnswer>("answer");
        QTest::addColumn<int>("packetsSent");
        QTest::addColumn<QString>("key");
        QTest::newRow("OK") << FirmwareAnswer::Ok << 3 << "";
        QTest::newRow("READY goes on as OK") << FirmwareAnswer::Ready << 3 << "";
        QTest::newRow("VERNROK sends nothing") << FirmwareAnswer::VersionNotOk << 0 << "VersionOK";
    }
    void firmwareStart_answer() {
        QFETCH(FirmwareAnswer, answer);
        QFETCH(int, packetsSent);
        QFETCH(QString, key);
        auto firmware = makeFirmware(3);
        QVERIFY(firmware);
        Rig rig;
        rig.device.setFirmwareAnswer(answer);
        TestGauge gauge;
        QVERIFY(rig.comm.WriteFirmware(kCode, *firmware, &gauge));
        QCOMPARE(rig.comm.StatusKey, key.toStdString());
        QCOMPARE(rig.device.firmwareVersionRequested(), std::string("010A"));
        QCOMPARE(static_cast<int>(rig.device.firmwarePackets().size()), packetsSent);
        if (packetsSent) {
            TByteArray second;
            firmware->GetFirmwarePacket(1, second);
            QCOMPARE(rig.device.firmwarePackets()[1], second); // sent as stored
            QCOMPARE(gauge.maximum, 3);
            QCOMPARE(gauge.position, 3);
        } else {
            QCOMPARE(gauge.maximum, -1);
        }
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void firmwarePacket_startingLikeAShortPacket_isTakenWhole_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("header of a 16-byte payload") << QByteArray::fromHex("0201010010001234");
        QTest::newRow("header of a 512-byte payload") << QByteArray::fromHex("0203010000021234");
        QTest::newRow("header of a longer payload") << QByteArray::fromHex("0203010000081234");
    }
    void firmwarePacket_startingLikeAShortPacket_isTakenWhole() {
        QFETCH(QByteArray, start);
        auto firmware = makeFirmware(3, TByteArray(start.begin(), start.end()));
        QVERIFY(firmware);
        Rig rig;
        QVERIFY(rig.comm.WriteFirmware(kCode, *firmware, nullptr));
        QCOMPARE(rig.comm.StatusKey, std::string());
        QCOMPARE(rig.device.firmwarePackets().size(), std::size_t(3));
        TByteArray last;
        firmware->GetFirmwarePacket(2, last);
        QCOMPARE(rig.device.firmwarePackets()[2], last);
    }

    void firmwarePacket_retries_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("repeats");    // FE requests sent
        QTest::addColumn<int>("secondSent"); // times packet 2 went out
        // Reply 1 answers FA, reply 2 packet 1, reply 3 packet 2.
        QTest::newRow("unreadable reply: FE next") << "corrupt" << true << "" << 1 << 1;
        QTest::newRow("time-out: same packet again") << "drop" << true << "" << 0 << 2;
        QTest::newRow("three failed attempts") << "silent" << false << "ErrorNoResponse" << 0 << 3;
    }
    void firmwarePacket_retries() {
        QFETCH(QString, fault);
        QFETCH(bool, ok);
        QFETCH(QString, key);
        QFETCH(int, repeats);
        QFETCH(int, secondSent);
        auto firmware = makeFirmware(3);
        QVERIFY(firmware);
        Rig rig;
        rig.device.injectFault(fault.toStdString(), 3);
        TestGauge gauge;
        QCOMPARE(rig.comm.WriteFirmware(kCode, *firmware, &gauge), ok);
        QCOMPARE(rig.comm.StatusKey, key.toStdString());

        const auto fe = rig.requestsWith("FE");
        QCOMPARE(static_cast<int>(fe.size()), repeats);
        for (const EmulatorRequest& r : fe) {
            QCOMPARE(static_cast<int>(r.packet.PacketCount), 3);
            QCOMPARE(static_cast<int>(r.packet.PacketNumber), 2);
        }
        TByteArray second;
        firmware->GetFirmwarePacket(1, second);
        second.push_back(0x00);
        QCOMPARE(static_cast<int>(std::count(rig.port.writes().begin(), rig.port.writes().end(), second)),
                 secondSent);
        QCOMPARE(gauge.position, ok ? 3 : 1);
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void firmwareStart_unreadableReply_repeatsWithFE11() {
        auto firmware = makeFirmware(1);
        QVERIFY(firmware);
        Rig rig;
        rig.device.injectFault("corrupt", 1);
        QVERIFY(rig.comm.WriteFirmware(kCode, *firmware, nullptr));
        const auto commands = rig.device.requestCommands();
        QCOMPARE(commands.size(), std::size_t(3)); // FA, FE(1,1), the firmware packet
        QCOMPARE(commands[0], std::string("FA"));
        QCOMPARE(commands[1], std::string("FE"));
        const auto fe = rig.requestsWith("FE");
        QCOMPARE(static_cast<int>(fe.front().packet.PacketCount), 1);
        QCOMPARE(static_cast<int>(fe.front().packet.PacketNumber), 1);
    }

    void writeFirmware_withoutLink_failsWithAKey() {
        auto firmware = makeFirmware(1);
        QVERIFY(firmware);
        Rig rig;
        rig.comm.LinkMode = TLinkMode::None;
        QVERIFY(!rig.comm.WriteFirmware(kCode, *firmware, nullptr));
        QCOMPARE(rig.comm.StatusKey, std::string("NoConnectionToObject"));
        QVERIFY(rig.port.writes().empty());
    }

    // ---- waiting -------------------------------------------------------------

    void timeout_isMeasuredFromTheSend_andEventsRunDuringTheWait() {
        Rig rig;
        rig.device.setSilent(true);
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.comm.QueryStatus());
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= kShortTimeout, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 2 * kShortTimeout + 200, qPrintable(QString::number(elapsed)));
        QVERIFY(ticks >= 5);
        QCOMPARE(rig.comm.StatusKey, std::string("ErrorNoResponse"));
    }

    void packetTimeoutZero_endsRightAfterTheSend_data() {
        QTest::addColumn<int>("timeout");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -5;
    }
    void packetTimeoutZero_endsRightAfterTheSend() {
        QFETCH(int, timeout);
        Rig rig;
        PacketTimeout = timeout;
        rig.device.injectFault("delay", 1, 300);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.comm.QueryStatus());
        QVERIFY(clock.elapsed() < 200);
        QCOMPARE(rig.comm.StatusKey, std::string("ErrorNoResponse"));
        QCOMPARE(rig.port.writes().size(), std::size_t(1));
        // The late status reply finds no operation waiting and is dropped.
        QVERIFY(rig.waitForBatches(1));
        QVERIFY(rig.delivered.empty());
    }

    void packetTimeoutZero_replyAlreadyProcessed_succeeds() {
        SynchronousTransport port;
        TestWindow window;
        int delivered = 0;
        TDataCommunication comm(
            &port, [&](const TPacket&) { ++delivered; }, &window);
        comm.LinkMode = TLinkMode::Serial;
        PacketTimeout = 0;
        QVERIFY(comm.QueryStatus());
        QCOMPARE(delivered, 1);
    }

    void operationStartedDuringTheWait_isRefusedAndTheFirstCompletes() {
        Rig rig;
        rig.useGroups(2);
        rig.device.injectFault("delay", 1, 60);
        int secondResult = -1;
        QTimer::singleShot(10, [&] {
            QVERIFY(rig.comm.IsBusy());
            secondResult = rig.comm.WritePacket(kCode, {{"010", "x"}}, 1, 6) ? 1 : 0;
            rig.comm.Exchange(BuildStatusRequest(), std::nullopt, TCommState::WaitingDelivery,
                              {TCommState::DataReceived}, 1);
        });
        QVERIFY(rig.comm.ReadSettings(kCode, true, false));
        QCOMPARE(secondResult, 0);
        QCOMPARE(rig.delivered.size(), std::size_t(2));
        QVERIFY(rig.requestsWith("F4").empty());
        QVERIFY(rig.requestsWith("F0").empty());
        QVERIFY(!rig.comm.IsBusy());
    }

    void applicationQuitDuringTheWait_endsTheWaitAtOnce() {
        Rig rig;
        rig.device.setSilent(true);
        PacketTimeout = 3000;
        QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
        QElapsedTimer clock;
        clock.start();
        const bool ok = rig.comm.QueryStatus();
        const qint64 elapsed = clock.elapsed();
        // A quitting application runs no event loop any more; let it run again for the
        // tests that follow.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QVERIFY(!ok);
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
        QCOMPARE(rig.comm.StatusKey, std::string("ErrorNoResponse"));
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    // ---- remote mode ---------------------------------------------------------

    void remoteMode_sendsThroughTheHook_wakesAndRestarts() {
        Rig rig;
        rig.comm.LinkMode = TLinkMode::Tcp;
        rig.comm.RemoteSendHook = [&](const TByteArray& bytes) { rig.port.write(bytes); };
        rig.comm.DeviceVersionField = "Ver: 1.27";
        QVERIFY(rig.comm.ConnectRemote());
        QCOMPARE(rig.comm.DeviceVersionField, std::string()); // cleared by the wake-up
        QCOMPARE(rig.port.writes().front(), (TByteArray{0x00, 0x00, 0x07, 0x00}));
        QCOMPARE(rig.device.requestCommands().front(), std::string("wake"));
        QCOMPARE(rig.delivered.size(), std::size_t(1));
        QVERIFY(rig.comm.RestartRemote(kCode));
        QCOMPARE(rig.device.restarts(), 1);
    }

    void remoteWake_unreadableReply_repeatsWithFE11AndGetsTheStatus() {
        Rig rig;
        rig.comm.LinkMode = TLinkMode::Tcp;
        rig.comm.RemoteSendHook = [&](const TByteArray& bytes) { rig.port.write(bytes); };
        rig.device.injectFault("corrupt", 1);
        QVERIFY(rig.comm.ConnectRemote());
        QCOMPARE(rig.comm.StatusKey, std::string());
        QCOMPARE(rig.device.requestCommands(), (std::vector<std::string>{"wake", "FE"}));
        const auto fe = rig.requestsWith("FE");
        QCOMPARE(static_cast<int>(fe.front().packet.PacketCount), 1);
        QCOMPARE(static_cast<int>(fe.front().packet.PacketNumber), 1);
        QCOMPARE(rig.delivered.size(), std::size_t(1));
        QCOMPARE(rig.delivered.front().Command, std::string("F1"));
    }

    void remoteRestart_stopsAtOkOrAbortOnly_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("sent");
        const QString good = QString::fromStdString(kCode);
        QTest::newRow("OK") << "" << good << true << "" << QStringList{"FB"};
        QTest::newRow("ABORT ends at once") << "abort" << good << false << "ErrorAbort" << QStringList{"FB"};
        QTest::newRow("WRONG: every attempt")
            << ""
            << "999900" << false << "ErrorWrongPassword" << QStringList{"FB", "FB", "FB"};
        QTest::newRow("unreadable reply: FE next")
            << "corrupt" << good << true << "" << QStringList{"FB", "FE"};
    }
    void remoteRestart_stopsAtOkOrAbortOnly() {
        QFETCH(QString, fault);
        QFETCH(QString, code);
        QFETCH(bool, ok);
        QFETCH(QString, key);
        QFETCH(QStringList, sent);
        Rig rig;
        rig.comm.LinkMode = TLinkMode::Tcp;
        rig.comm.RemoteAttempts = 3;
        rig.comm.RemoteSendHook = [&](const TByteArray& bytes) { rig.port.write(bytes); };
        if (!fault.isEmpty())
            rig.device.injectFault(fault.toStdString(), 1);
        QCOMPARE(rig.comm.RestartRemote(code.toStdString()), ok);
        QCOMPARE(rig.comm.StatusKey, key.toStdString());
        QStringList commands;
        for (const std::string& c : rig.device.requestCommands())
            commands << QString::fromStdString(c);
        QCOMPARE(commands, sent);
        QCOMPARE(rig.comm.State, TCommState::Idle);
    }

    void deviceVersion_isReportedInTheRemoteModeOnly_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("reported");
        QTest::newRow("serial") << int(TLinkMode::Serial) << false;
        QTest::newRow("tcp") << int(TLinkMode::Tcp) << true;
        QTest::newRow("none") << int(TLinkMode::None) << false;
    }
    void deviceVersion_isReportedInTheRemoteModeOnly() {
        QFETCH(int, mode);
        QFETCH(bool, reported);
        Rig rig;
        rig.comm.LinkMode = static_cast<TLinkMode>(mode);
        rig.comm.DeviceVersionField = "Ver: 1.12";
        QCOMPARE(rig.comm.DeviceVersion(), reported ? std::string("Ver: 1.12") : std::string());
        QCOMPARE(rig.comm.IsActive(), rig.comm.LinkMode != TLinkMode::None);
    }

    void slowRemoteVersion_pausesBeforeTheExchange_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("pause");
        QTest::newRow("tcp, 1.12") << int(TLinkMode::Tcp) << "Ver: 1.12" << true;
        QTest::newRow("tcp, 1.121") << int(TLinkMode::Tcp) << "Ver: 1.121" << false;
        QTest::newRow("tcp, 1.27") << int(TLinkMode::Tcp) << "Ver: 1.27" << false;
        QTest::newRow("serial, 1.12") << int(TLinkMode::Serial) << "Ver: 1.12" << false;
    }
    void slowRemoteVersion_pausesBeforeTheExchange() {
        QFETCH(int, mode);
        QFETCH(QString, version);
        QFETCH(bool, pause);
        Rig rig;
        rig.comm.LinkMode = static_cast<TLinkMode>(mode);
        rig.comm.RemoteSendHook = [&](const TByteArray& bytes) { rig.port.write(bytes); };
        rig.comm.DeviceVersionField = version.toStdString();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.comm.QueryStatus());
        if (pause)
            QVERIFY(clock.elapsed() >= 1000);
        else
            QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
    }

    // ---- debug log -----------------------------------------------------------

    void debugLog_visible_tracesBytesAndTimes() {
        Rig rig;
        rig.useGroups(2);
        rig.window.visible = true;
        QVERIFY(rig.comm.ReadSettings(kCode, true, false));
        const auto& lines = rig.window.lines;
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines[0], std::string("Sent:"));
        TByteArray request = BuildReadRequest(kCode);
        request.push_back(0x00);
        QCOMPARE(lines[1], FormatLogBytes(request));
        QVERIFY(lines[1].back() == ' ');
        QCOMPARE(lines[2], std::string("Received:"));
        QVERIFY(std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
                    return l.rfind("1 packet read time: ", 0) == 0;
                }) != lines.end());
        QVERIFY(std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
                    return l.rfind("2 packet read time: ", 0) == 0;
                }) != lines.end());
        const auto startsWith = [&](const char* prefix) {
            return std::count_if(lines.begin(), lines.end(),
                                 [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
        };
        QCOMPARE(startsWith("Total settings read time: "), 0); // a read that succeeds has none

        rig.device.injectFault("drop", 2);
        QVERIFY(!rig.comm.ReadSettings(kCode, true, false));
        QCOMPARE(startsWith("Total settings read time: "), 1);
        QVERIFY(rig.comm.WritePacket(kCode, {{"010", "1"}}, 3, 6));
        QCOMPARE(startsWith("3 packet write time: "), 1);

        rig.comm.Receive({});
        QCOMPARE(lines[lines.size() - 2], std::string("Received:"));
        QCOMPARE(lines.back(), std::string()); // an empty buffer gives an empty line
        QCOMPARE(FormatLogBytes({0x0A, 0xF3}), std::string("0A F3 "));
    }

    void debugLog_hidden_producesNothing() {
        Rig rig;
        rig.useGroups(2);
        rig.device.injectFault("drop", 2);
        QVERIFY(!rig.comm.ReadSettings(kCode, true, false));
        QVERIFY(rig.comm.WritePacket(kCode, {{"010", "1"}}, 1, 6));
        QVERIFY(rig.window.visibilityQueries > 0);
        QVERIFY(rig.window.lines.empty());
    }

    // ---- message keys ----------------------------------------------------------

    // Every key the data communication can leave in StatusKey, or posts, is shown to
    // the user: each needs a text in every language of the shipped language file.
    // (The keys sit in a table, where a scan of the sources for lookups misses them.)
    void statusKeys_haveATextInEveryLanguage() {
        QStringList keys;
        for (int s = 0; s <= static_cast<int>(TCommState::NoConnectionToObject); ++s)
            if (const char* key = StateKey(static_cast<TCommState>(s)))
                keys << QString::fromLatin1(key);
        QVERIFY(keys.contains(QStringLiteral("ErrorNoResponse")));
        keys << QStringLiteral("ErrorReceivingPackets")        // posted by a failed read
             << QStringLiteral("InvalidFirmwarePacketNumber"); // a firmware packet that cannot be had

        ScriptedPrompts prompts;
        TempSettings settings;
        const QString file =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("NLanguage.lng"));
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        TNLanguage translator;
        translator.LoadLanguage(file);
        const QStringList languages = translator.LanguageNames();
        QVERIFY(languages.size() >= 2);
        for (const QString& language : languages) {
            WriteLanguageSetting(language);
            translator.LoadLanguage(file);
            QCOMPARE(translator.CurrentLanguage(), language);
            for (const QString& key : keys) {
                QVERIFY2(translator.HasText(key), qPrintable(language + QLatin1String(": ") + key));
                QVERIFY2(!translator.Lookup(key).trimmed().isEmpty(),
                         qPrintable(language + QLatin1String(": ") + key));
            }
        }
        QVERIFY(prompts.shown.isEmpty());
    }

    // ---- the emulator itself ---------------------------------------------------

    void emulator_framesAnySlicingAndSkipsTheTrailingZero() {
        DeviceEmulator device;
        TByteArray both =
            concat({BuildStatusRequest(), {0x00}, BuildWritePacket(kCode, {{"110", "v"}}, 2, 6), {0x00}});
        std::vector<EmulatorReply> replies;
        for (std::uint8_t b : both) // byte by byte
            for (EmulatorReply& r : device.feed({b}))
                replies.push_back(std::move(r));
        QCOMPARE(replies.size(), std::size_t(2));
        QCOMPARE(parse(replies[0].pieces.front()).Command, std::string("F1"));
        QCOMPARE(parse(replies[1].pieces.front()).Command, std::string("OK"));
        QCOMPARE(device.value("110"), std::optional<std::string>("v"));

        replies = device.feed(both); // all at once
        QCOMPARE(replies.size(), std::size_t(2));
        QCOMPARE(device.requests().size(), std::size_t(4));
        QCOMPARE(device.requests()[1].code, kCode);
    }

    void emulator_answersBadRequests_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("reply");
        QTest::newRow("bad checksum") << "crc"
                                      << "CRCERROR";
        QTest::newRow("bad header") << "header"
                                    << "CRCERROR";
        QTest::newRow("wrong code") << "code"
                                    << "WRONG";
        QTest::newRow("restore with wrong code") << "restore"
                                                 << "WRONG";
        QTest::newRow("FE repeats the last reply") << "repeat"
                                                   << "F1";
    }
    void emulator_answersBadRequests() {
        QFETCH(QString, what);
        QFETCH(QString, reply);
        DeviceEmulator device;
        TByteArray request;
        if (what == QLatin1String("crc")) {
            request = BuildReadRequest(kCode);
            request[6] ^= 0x01;
        } else if (what == QLatin1String("header")) {
            request = BuildReadRequest(kCode);
            request[3] = 0x01;
        } else if (what == QLatin1String("code")) {
            request = BuildReadRequest("4321");
        } else if (what == QLatin1String("restore")) {
            device.setValue("010", "changed");
            request = BuildRestoreRequest("432100");
        } else {
            device.feed(BuildStatusRequest());
            request = BuildRepeatRequest(1, 1);
        }
        request.push_back(0x00);
        const auto replies = device.feed(request);
        QCOMPARE(replies.size(), std::size_t(1));
        QCOMPARE(parse(replies[0].pieces.front()).Command, reply.toStdString());
        if (what == QLatin1String("restore"))
            QCOMPARE(device.value("010"), std::optional<std::string>("changed"));
    }

    void emulator_restoreGivesTheFactoryConfigurationOfItsVersion() {
        DeviceEmulator device(EmulatorFamily::N20);
        device.setVersion("Ver: 1.20");
        device.setValue("110", "changed");
        TByteArray request = BuildRestoreRequest(kCode);
        request.push_back(0x00);
        QCOMPARE(device.feed(request).size(), std::size_t(1));
        const auto older = DeviceEmulator::FactoryConfiguration(EmulatorFamily::N20, "Ver: 1.20");
        QVERIFY(older != DeviceEmulator::FactoryConfiguration(EmulatorFamily::N20, "Ver: 1.27"));
        for (int g = 0; g < 10; ++g)
            QCOMPARE(device.group(g), older[static_cast<std::size_t>(g)]);
    }

    void emulator_familiesHaveRealisticConfigurations_data() {
        QTest::addColumn<int>("family");
        QTest::addColumn<QString>("model");
        QTest::newRow("N20") << int(EmulatorFamily::N20) << "Dev: N20";
        QTest::newRow("N20D") << int(EmulatorFamily::N20D) << "Dev: N20D";
        QTest::newRow("N20_3G") << int(EmulatorFamily::N20_3G) << "Dev: N20_3G";
        QTest::newRow("NF20") << int(EmulatorFamily::NF20) << "Dev: NF20";
        QTest::newRow("N20F") << int(EmulatorFamily::N20F) << "Dev: N20F";
        QTest::newRow("N05") << int(EmulatorFamily::N05) << "Dev: N05";
        QTest::newRow("N3") << int(EmulatorFamily::N3) << "Dev: N3";
    }
    void emulator_familiesHaveRealisticConfigurations() {
        QFETCH(int, family);
        QFETCH(QString, model);
        DeviceEmulator device(static_cast<EmulatorFamily>(family));
        QCOMPARE(device.modelText(), model.toStdString());
        for (int g = 0; g <= 8; ++g) {
            const TPacketDataArray& items = device.group(g);
            QVERIFY2(!items.empty(), qPrintable(QStringLiteral("group %1").arg(g)));
            for (const TPacketData& item : items) {
                QCOMPARE(item.Id.size(), std::size_t(3));
                QCOMPARE(item.Id[0], static_cast<char>('0' + g));
                QVERIFY(item.Id != "000" && item.Id != "001" && item.Id != "002" && item.Id != "003");
            }
            // Each group fits one packet.
            const TByteArray packet = DeviceEmulator::BuildReply("F3", items, 10, 1);
            QVERIFY(packet.size() < 2048);
        }
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
