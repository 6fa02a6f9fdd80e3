// Runs the built nconfig-cli on its packet commands: output formats, round trips
// through encode and decode, and the exit statuses scripts rely on.

#include "RunTool.h"

#include <QtTest>

namespace {

TToolRun cli(const QStringList& args) {
    return RunTool(QStringLiteral("nconfig-cli"), args);
}

} // namespace

class TestPacketCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/nconfig-cli")),
                 "nconfig-cli is not built beside the test");
    }

    void encodeThenDecode_givesHeaderCommandAndItemsBack() {
        const TToolRun encoded =
            cli({"packet", "encode", "--command", "F4", "--code", "1234", "--count", "6", "--number", "2",
                 "--item", "001=AB\\xE4", "--item", "=010A", "--item", "a\\x3Dz=x=y", "--item", "002="});
        QCOMPARE(encoded.exitCode, 0);
        const QString hex = encoded.out.trimmed();
        QVERIFY2(QRegularExpression("^([0-9A-F]{2})+$").match(hex).hasMatch(), qPrintable(hex));
        QCOMPARE(hex.left(8), QStringLiteral("02060200"));

        const TToolRun decoded = cli({"packet", "decode", hex});
        QCOMPARE(decoded.exitCode, 0);
        const QStringList lines = decoded.out.split('\n', Qt::SkipEmptyParts);
        // The empty-id item comes back split as the device would read it: "010" + "A".
        const QStringList expected{"PacketCount: 6",
                                   "PacketNumber: 2",
                                   "DataLength: " + QString::number(hex.size() / 2 - 8),
                                   "Crc: " + hex.mid(14, 2) + hex.mid(12, 2),
                                   "Command: F4",
                                   "001=AB\\xE4",
                                   "010=A",
                                   "a\\x3Dz=x=y",
                                   "002="};
        QCOMPARE(lines, expected);
    }

    void encode_statusRequestMatchesTheWireImage() {
        const TToolRun run = cli({"packet", "encode", "--command", "F0"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("0201010010005D2A751CFE9076A94D3BB5678DF70EA2DA2C\n"));
    }

    void primitives_printUpperCaseHex_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("out");
        QTest::newRow("crc") << QStringList{"packet", "crc", "616263"} << "58E9\n";
        QTest::newRow("crc changed entry") << QStringList{"packet", "crc", "5f"} << "0072\n";
        QTest::newRow("encrypt") << QStringList{"packet", "encrypt", "--key", "7130462958",
                                                "000102030405060708090a0b0c0d0e0f"}
                                 << "875FC5ED29D6C821F712BF47245EB1DE\n";
        QTest::newRow("decrypt") << QStringList{"packet", "decrypt", "--key=7130462958",
                                                "875FC5ED29D6C821F712BF47245EB1DE"}
                                 << "000102030405060708090A0B0C0D0E0F\n";
    }
    void primitives_printUpperCaseHex() {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        const TToolRun run = cli(args);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, out);
    }

    void failures_exitOneWithReason_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        QTest::newRow("bad checksum")
            << QStringList{"packet", "decode", "0201010010005D2B751CFE9076A94D3BB5678DF70EA2DA2C"}
            << "ErrorBadCRC";
        QTest::newRow("short packet")
            << QStringList{"packet", "decode", "0201010010005D2A"} << "ErrorBadPacketSize";
        QTest::newRow("invalid hex") << QStringList{"packet", "decode", "02ZZ"} << "ErrorInvalidHexNumber";
        QTest::newRow("cipher length")
            << QStringList{"packet", "encrypt", "--key", "k", "001122"} << "not a multiple of 8";
    }
    void failures_exitOneWithReason() {
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        const TToolRun run = cli(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(reason), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }

    void badArguments_exitTwoWithUsage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no subcommand") << QStringList{"packet"};
        QTest::newRow("unknown subcommand") << QStringList{"packet", "explode"};
        QTest::newRow("decode without hex") << QStringList{"packet", "decode"};
        QTest::newRow("decode two arguments") << QStringList{"packet", "decode", "00", "11"};
        QTest::newRow("encode without command") << QStringList{"packet", "encode", "--item", "001=1"};
        QTest::newRow("encode count too big")
            << QStringList{"packet", "encode", "--command", "F4", "--count", "256"};
        QTest::newRow("encode number not a number")
            << QStringList{"packet", "encode", "--command", "F4", "--number", "x"};
        QTest::newRow("encode item without =")
            << QStringList{"packet", "encode", "--command", "F4", "--item", "001"};
        QTest::newRow("encode bad escape")
            << QStringList{"packet", "encode", "--command", "F4", "--item", "001=\\q"};
        QTest::newRow("encode unknown option")
            << QStringList{"packet", "encode", "--command", "F4", "--colour", "red"};
        QTest::newRow("encrypt without key") << QStringList{"packet", "encrypt", "0011223344556677"};
        QTest::newRow("option without value")
            << QStringList{"packet", "decrypt", "0011223344556677", "--key"};
    }
    void badArguments_exitTwoWithUsage() {
        QFETCH(QStringList, args);
        const TToolRun run = cli(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(QStringLiteral("usage: nconfig-cli packet")), qPrintable(run.err));
    }

    void help_onEveryLevel_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("usage");
        QTest::newRow("top") << QStringList{"--help"} << "packet";
        QTest::newRow("packet") << QStringList{"packet", "--help"} << "usage: nconfig-cli packet SUBCOMMAND";
        QTest::newRow("decode") << QStringList{"packet", "decode", "--help"}
                                << "usage: nconfig-cli packet decode";
        QTest::newRow("encode") << QStringList{"packet", "encode", "-h"}
                                << "usage: nconfig-cli packet encode";
        QTest::newRow("crc") << QStringList{"packet", "crc", "--help"} << "usage: nconfig-cli packet crc";
        QTest::newRow("encrypt") << QStringList{"packet", "encrypt", "--help"}
                                 << "usage: nconfig-cli packet encrypt";
    }
    void help_onEveryLevel() {
        QFETCH(QStringList, args);
        QFETCH(QString, usage);
        const TToolRun run = cli(args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(usage), qPrintable(run.out));
    }
};

QTEST_GUILESS_MAIN(TestPacketCli)
#include "tst_packet_cli.moc"
