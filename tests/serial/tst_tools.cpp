// nconfig-devsim and the device commands of nconfig-cli, run as the user runs them.
#include "ComPortPty.h"
#include "RunTool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString tool(const char* name) {
    return ToolPath(QLatin1String(name));
}

TToolRun runCli(const QStringList& args) {
    return RunTool(QStringLiteral("nconfig-cli"), args);
}

// nconfig-devsim running for the life of the object; port() is the path it printed.
class Devsim {
public:
    explicit Devsim(const QStringList& args) {
        m_process.start(tool("nconfig-devsim"), args);
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
            m_port = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~Devsim() {
        // Closing its standard input ends it.
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    QString port() const { return m_port; }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    QString m_port;
};

} // namespace

class TestTools : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void statusAndDump_againstDevsim();
    void status_silentDeviceFailsWithReason();
    void dump_wrongCodeFailsWithReason();
    void statusAndDump_againstDemoDevice();
    void ports_listsDemoDevice();
    void devsim_stopsWhenStdinCloses();
    void devsim_splitGapSurvivesALaterPlainSplit();
    void devsim_versionChoosesTheConfigurationOfThatFirmware();
    void usageErrors_data();
    void usageErrors();
};

void TestTools::initTestCase() {
    if (!QFile::exists(tool("nconfig-cli")) || !QFile::exists(tool("nconfig-devsim")))
        QSKIP("nconfig-cli or nconfig-devsim not built");
}

void TestTools::statusAndDump_againstDevsim() {
    if (!TPtyEmulatorServer::Supported())
        QSKIP("no pseudo-terminals on this system");
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("requests.jsonl"));
    Devsim sim({"--model", "NF20", "--version", "1.31", "--serial", "SN-77", "--imei", "none", "--split",
                "1:30", "--log", log});
    QVERIFY(!sim.port().isEmpty());

    const TToolRun status = runCli({"status", "--port", sim.port()});
    QCOMPARE(status.exitCode, 0);
    QVERIFY2(status.out.contains(QStringLiteral("model:   Dev: NF20")), qPrintable(status.out));
    QVERIFY(status.out.contains(QStringLiteral("serial:  SN-77")));
    QVERIFY(status.out.contains(QStringLiteral("version: Ver: 1.31")));
    QVERIFY(status.out.contains(QStringLiteral("imei:    N/A")));

    const TToolRun dump = runCli({"dump", "--port", sim.port(), "--code", "1234"});
    QCOMPARE(dump.exitCode, 0);
    QVERIFY2(dump.out.startsWith(QStringLiteral("# group 0 (packet 1 of ")), qPrintable(dump.out.left(200)));
    QVERIFY(dump.out.contains(QStringLiteral("# group 1 ")));

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY(lines.size() > 3);
    QVERIFY(lines[0].contains("\"command\":\"F0\""));
    QVERIFY(lines[1].contains("\"command\":\"F2\""));
    QVERIFY(lines[1].contains("\"code\":\"123400\""));
}

void TestTools::status_silentDeviceFailsWithReason() {
    if (!TPtyEmulatorServer::Supported())
        QSKIP("no pseudo-terminals on this system");
    Devsim sim({"--silent"});
    QVERIFY(!sim.port().isEmpty());
    const TToolRun status = runCli({"status", "--port", sim.port(), "--timeout", "200"});
    QCOMPARE(status.exitCode, 1);
    QVERIFY(status.out.isEmpty());
    QVERIFY(!status.err.trimmed().isEmpty());
    QVERIFY(!status.err.contains(QLatin1Char('?'))); // a translated text, not "?ErrorNoResponse?"
}

void TestTools::dump_wrongCodeFailsWithReason() {
    if (!TPtyEmulatorServer::Supported())
        QSKIP("no pseudo-terminals on this system");
    Devsim sim({"--code", "4321"});
    const TToolRun dump = runCli({"dump", "--port", sim.port(), "--code", "1234", "--timeout", "2000"});
    QCOMPARE(dump.exitCode, 1);
    QVERIFY(dump.out.isEmpty());
    QVERIFY(!dump.err.trimmed().isEmpty());
}

void TestTools::statusAndDump_againstDemoDevice() {
    const TToolRun status = runCli({"status", "--port", "demo"});
    QCOMPARE(status.exitCode, 0);
    QVERIFY(status.out.contains(QStringLiteral("model:   Dev: N20D")));
    const TToolRun dump = runCli({"dump", "--port", "Demo device", "--code", "1234"});
    QCOMPARE(dump.exitCode, 0);
    QVERIFY(dump.out.contains(QStringLiteral("# group 0 ")));
}

void TestTools::ports_listsDemoDevice() {
    const TToolRun ports = runCli({"ports"});
    QCOMPARE(ports.exitCode, 0);
    QVERIFY(ports.out.trimmed().split(QLatin1Char('\n')).last().startsWith(QStringLiteral("Demo device")));
}

void TestTools::devsim_stopsWhenStdinCloses() {
    if (!TPtyEmulatorServer::Supported())
        QSKIP("no pseudo-terminals on this system");
    Devsim sim({});
    QVERIFY(sim.port().startsWith(QStringLiteral("/dev/")));
    sim.process().closeWriteChannel();
    QVERIFY(sim.process().waitForFinished(3000));
    QCOMPARE(sim.process().exitCode(), 0);
}

void TestTools::devsim_versionChoosesTheConfigurationOfThatFirmware() {
    if (!TPtyEmulatorServer::Supported())
        QSKIP("no pseudo-terminals on this system");
    // Firmware before 1.22 keeps 16 zone names, later firmware 32.
    const auto zoneRows = [](const QString& version) {
        Devsim sim({"--version", version});
        const TToolRun dump = runCli({"dump", "--port", sim.port(), "--code", "1234"});
        int rows = 0;
        bool inZones = false;
        for (const QString& line : dump.out.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1Char('#')))
                inZones = line.startsWith(QStringLiteral("# group 4 "));
            else if (inZones && !line.isEmpty())
                ++rows;
        }
        return rows;
    };
    QCOMPARE(zoneRows(QStringLiteral("1.20")), 16);
    QCOMPARE(zoneRows(QStringLiteral("1.27")), 32);
}

void TestTools::devsim_splitGapSurvivesALaterPlainSplit() {
    if (!TPtyEmulatorServer::Supported())
        QSKIP("no pseudo-terminals on this system");
    // The status reply comes in two pieces 600 ms apart: the exchange cannot succeed
    // within 250 ms (with a 50 ms gap it would).
    Devsim sim({"--split", "1:600", "--split", "2"});
    QVERIFY(!sim.port().isEmpty());
    const TToolRun status = runCli({"status", "--port", sim.port(), "--timeout", "250"});
    QCOMPARE(status.exitCode, 1);
}

void TestTools::usageErrors_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("status without port") << "nconfig-cli" << QStringList{"status"};
    QTest::newRow("status unknown option")
        << "nconfig-cli" << QStringList{"status", "--port", "demo", "--baud", "1"};
    QTest::newRow("dump without code") << "nconfig-cli" << QStringList{"dump", "--port", "demo"};
    QTest::newRow("dump short code") << "nconfig-cli"
                                     << QStringList{"dump", "--port", "demo", "--code", "12"};
    QTest::newRow("dump letters in code")
        << "nconfig-cli" << QStringList{"dump", "--port", "demo", "--code", "12ab"};
    QTest::newRow("status bad timeout")
        << "nconfig-cli" << QStringList{"status", "--port", "demo", "--timeout", "x"};
    QTest::newRow("status zero timeout")
        << "nconfig-cli" << QStringList{"status", "--port", "demo", "--timeout", "0"};
    QTest::newRow("ports extra argument") << "nconfig-cli" << QStringList{"ports", "COM1"};
    QTest::newRow("devsim unknown option") << "nconfig-devsim" << QStringList{"--bogus"};
    QTest::newRow("devsim bad model") << "nconfig-devsim" << QStringList{"--model", "X1"};
    QTest::newRow("devsim delay without ms") << "nconfig-devsim" << QStringList{"--delay", "2"};
    QTest::newRow("devsim empty log name") << "nconfig-devsim" << QStringList{"--log="};
    QTest::newRow("devsim empty imei") << "nconfig-devsim" << QStringList{"--imei", ""};
    QTest::newRow("devsim bad firmware answer")
        << "nconfig-devsim" << QStringList{"--firmware-answer", "maybe"};
}

void TestTools::usageErrors() {
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    const TToolRun run = RunTool(program, args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains(QStringLiteral("usage:")));
}

#include "tst_tools.moc"

QObject* NewTestTools() {
    return new TestTools;
}
