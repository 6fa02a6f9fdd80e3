#include "EmulatorTransport.h"
#include "N_Common.h"
#include "SerialTestSupport.h"

#include <QSignalSpy>
#include <QTest>
#include <stdexcept>

namespace {

TPacket parse(const TByteArray& bytes) {
    return PacketParserInstance().Parse(bytes);
}

TByteArray prefix(const TByteArray& bytes, std::size_t n) {
    return TByteArray(bytes.begin(), bytes.begin() + n);
}

// Opens the port on `path` with its batches recorded from now on.
bool openRecorded(TComPort& port, BatchRecorder& rec, const QString& path) {
    rec.attach(port);
    port.SetPortName(path);
    return port.Open();
}

// Sends a status request with the 0x00 the tool puts after every packet; returns
// the bytes sent, for sending again.
TByteArray sendStatusRequest(TComPort& port) {
    TByteArray request = BuildStatusRequest();
    request.push_back(0x00);
    port.write(request);
    return request;
}

} // namespace

class TestComPort : public QObject {
    Q_OBJECT
private slots:
    void defaults_areTheDeviceLineSettings();
    void batchLength_data();
    void batchLength();
    void openStatusClose_overPseudoTerminal();
    void openFailure_reportsErrorAndStaysClosed();
    void bytesQueuedBeforeOpen_areNotTakenForTheReply();
    void splitReply_reachesReceiverAsOneBatch();
    void twoPacketsInOneTransfer_becomeTwoBatches();
    void bytesThatCannotStartAPacket_areDeliveredAtOnce();
    void incompletePacket_isDeliveredAfterQuiet();
    void closeFromInsideDelivery_stopsDelivering();
    void unplug_deliversEmptyBatchClosesAndSignals();
    void demoDevice_isListedAndAnswersLikeAPort();
};

void TestComPort::defaults_areTheDeviceLineSettings() {
    TComPort port;
    QCOMPARE(port.PortName(), QStringLiteral("COM40"));
    QCOMPARE(port.BaudRate(), 9600);
    QCOMPARE(port.DataBits(), QSerialPort::Data8);
    QCOMPARE(port.StopBits(), QSerialPort::OneStop);
    QCOMPARE(port.Parity(), QSerialPort::NoParity);
    QCOMPARE(port.FlowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(port.ReadIntervalTimeout(), 200);
    QVERIFY(!port.IsOpen());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, port.write({1, 2, 3}));
}

void TestComPort::batchLength_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    const TByteArray ok = DeviceEmulator::BuildReply("OK");
    const QByteArray okBytes(reinterpret_cast<const char*>(ok.data()), static_cast<int>(ok.size()));
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("identifier only") << QByteArray("\x02", 1) << 0;
    QTest::newRow("header incomplete") << okBytes.left(7) << 0;
    QTest::newRow("payload incomplete") << okBytes.left(okBytes.size() - 1) << 0;
    QTest::newRow("complete packet") << okBytes << okBytes.size();
    QTest::newRow("packet and more") << okBytes + okBytes.left(3) << okBytes.size();
    QTest::newRow("wrong identifier") << QByteArray("\x07\x01\x01", 3) << 3;
    QTest::newRow("reserved byte set") << QByteArray("\x02\x01\x01\x05", 4) << 4;
    QTest::newRow("length not whole blocks") << QByteArray("\x02\x01\x01\x00\x0C\x00\x00\x00", 8) << 8;
    QTest::newRow("length zero") << QByteArray("\x02\x01\x01\x00\x00\x00\x00\x00\x01", 9) << 9;
}

void TestComPort::batchLength() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    const TByteArray data(bytes.begin(), bytes.end());
    QCOMPARE(static_cast<int>(TComPort::CompleteBatchLength(data)), expected);
}

void TestComPort::openStatusClose_overPseudoTerminal() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    TComPort port;
    BatchRecorder rec;
    QVERIFY2(openRecorded(port, rec, dev.path()), qPrintable(port.ErrorString()));
    QVERIFY(port.IsOpen());

    const TByteArray request = sendStatusRequest(port);
    QTRY_COMPARE_WITH_TIMEOUT(rec.batches.size(), std::size_t(1), 2000);
    const TPacket reply = parse(rec.batches[0].bytes);
    QCOMPARE(reply.Command, std::string("F1"));
    QCOMPARE(dev.emulator.requestCommands(), std::vector<std::string>{"F0"});

    QVERIFY(port.Close());
    QVERIFY(!port.IsOpen());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, port.write(request));
    // The same port opens again.
    QVERIFY(port.Open());
    port.write(request);
    QTRY_COMPARE_WITH_TIMEOUT(rec.batches.size(), std::size_t(2), 2000);
}

void TestComPort::openFailure_reportsErrorAndStaysClosed() {
    TComPort port;
    port.SetPortName(QStringLiteral("/nonexistent/ttyNowhere"));
    QVERIFY(!port.Open());
    QVERIFY(!port.IsOpen());
    QVERIFY(!port.ErrorString().isEmpty());
}

void TestComPort::bytesQueuedBeforeOpen_areNotTakenForTheReply() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    // A reply that arrived after an earlier session closed the port.
    const TByteArray stale = DeviceEmulator::BuildReply("ABORT");
    dev.server->PushUnsolicited(stale);
    QTRY_COMPARE_WITH_TIMEOUT(dev.server->BytesOut(), qint64(stale.size()), 2000);

    TComPort port;
    BatchRecorder rec;
    QVERIFY(openRecorded(port, rec, dev.path()));
    sendStatusRequest(port);
    QTRY_COMPARE_WITH_TIMEOUT(rec.batches.size(), std::size_t(1), 2000);
    QCOMPARE(parse(rec.batches[0].bytes).Command, std::string("F1"));
    QTest::qWait(50);
    QCOMPARE(rec.batches.size(), std::size_t(1));
}

void TestComPort::splitReply_reachesReceiverAsOneBatch() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    dev.server->SetSplitGap(50);
    dev.emulator.injectFault(EmulatorFault::Split, 1);
    TComPort port;
    // A long quiet time-out: only the header's length can complete the batch early.
    port.SetReadIntervalTimeout(1000);
    BatchRecorder rec;
    QVERIFY(openRecorded(port, rec, dev.path()));

    sendStatusRequest(port);
    QTRY_COMPARE_WITH_TIMEOUT(rec.batches.size(), std::size_t(1), 2000);
    QCOMPARE(parse(rec.batches[0].bytes).Command, std::string("F1"));
    // It waited for the second piece (50 ms later), not for the line to go quiet.
    QVERIFY2(rec.batches[0].atMs >= 45 && rec.batches[0].atMs < 600,
             qPrintable(QString::number(rec.batches[0].atMs)));
    QTest::qWait(100);
    QCOMPARE(rec.batches.size(), std::size_t(1));
}

void TestComPort::twoPacketsInOneTransfer_becomeTwoBatches() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    TComPort port;
    BatchRecorder rec;
    QVERIFY(openRecorded(port, rec, dev.path()));

    const TByteArray ok = DeviceEmulator::BuildReply("OK");
    const TByteArray abort = DeviceEmulator::BuildReply("ABORT");
    TByteArray both = ok;
    both.push_back(0x00); // a terminator between them is dropped
    both.insert(both.end(), abort.begin(), abort.end());
    dev.server->PushUnsolicited(both);
    QTRY_COMPARE_WITH_TIMEOUT(rec.batches.size(), std::size_t(2), 2000);
    QCOMPARE(rec.batches[0].bytes, ok);
    QCOMPARE(rec.batches[1].bytes, abort);
}

void TestComPort::bytesThatCannotStartAPacket_areDeliveredAtOnce() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    TComPort port;
    port.SetReadIntervalTimeout(1000);
    BatchRecorder rec;
    QVERIFY(openRecorded(port, rec, dev.path()));

    dev.server->PushUnsolicited({'A', 'T', '\r'});
    QTRY_COMPARE_WITH_TIMEOUT(rec.batches.size(), std::size_t(1), 2000);
    QCOMPARE(rec.batches[0].bytes, (TByteArray{'A', 'T', '\r'}));
    QVERIFY(rec.batches[0].atMs < 500);
}

void TestComPort::incompletePacket_isDeliveredAfterQuiet() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    TComPort port;
    port.SetReadIntervalTimeout(100);
    BatchRecorder rec;
    QVERIFY(openRecorded(port, rec, dev.path()));

    const TByteArray ok = DeviceEmulator::BuildReply("OK");
    dev.server->PushUnsolicited(prefix(ok, 10));
    QTRY_COMPARE_WITH_TIMEOUT(rec.batches.size(), std::size_t(1), 2000);
    QCOMPARE(rec.batches[0].bytes, prefix(ok, 10));
    QVERIFY2(rec.batches[0].atMs >= 100, qPrintable(QString::number(rec.batches[0].atMs)));
}

void TestComPort::closeFromInsideDelivery_stopsDelivering() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    TComPort port;
    port.SetPortName(dev.path());
    QVERIFY(port.Open());
    int deliveries = 0;
    port.setReceiveHandler([&](const TByteArray&) {
        ++deliveries;
        QVERIFY(port.Close());
    });
    const TByteArray abort = DeviceEmulator::BuildReply("ABORT");
    TByteArray twice = abort;
    twice.insert(twice.end(), abort.begin(), abort.end());
    dev.server->PushUnsolicited(twice);
    QTRY_COMPARE_WITH_TIMEOUT(deliveries, 1, 2000);
    QTest::qWait(300);
    QCOMPARE(deliveries, 1);
    QVERIFY(!port.IsOpen());
}

void TestComPort::unplug_deliversEmptyBatchClosesAndSignals() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    TComPort port;
    BatchRecorder rec;
    QVERIFY(openRecorded(port, rec, dev.path()));
    QSignalSpy lost(&port, &TComPort::PortLost);

    dev.server->Unplug();
    QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, 3000);
    QCOMPARE(lost.at(0).at(0).toString(), dev.path());
    QVERIFY(!port.IsOpen());
    QCOMPARE(rec.batches.size(), std::size_t(1));
    QVERIFY(rec.batches[0].bytes.empty());
}

void TestComPort::demoDevice_isListedAndAnswersLikeAPort() {
    const QList<TPortInfo> ports = TComPort::AvailablePorts();
    QVERIFY(!ports.isEmpty());
    QCOMPARE(ports.last().Name, kDemoPortName);
    QVERIFY(ports.last().Demo);
    for (const TPortInfo& info : TComPort::AvailablePorts(false))
        QVERIFY(!info.Demo);

    TComPort port;
    BatchRecorder rec;
    QVERIFY(openRecorded(port, rec, kDemoPortName));
    // A split reply from the emulator is reassembled like one from a real port.
    TComPort::DemoDevice().injectFault(EmulatorFault::Split, 1);
    const TByteArray request = sendStatusRequest(port);
    QTRY_COMPARE_WITH_TIMEOUT(rec.batches.size(), std::size_t(1), 2000);
    const TPacket reply = parse(rec.batches[0].bytes);
    QCOMPARE(reply.Command, std::string("F1"));
    QVERIFY(port.Close());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, port.write(request));
}

#include "tst_comport.moc"

QObject* NewTestComPort() {
    return new TestComPort;
}
