#include "N_Firmware.h"
#include "N_FirmwareReader.h"
#include "RunTool.h"

#include <QTemporaryDir>
#include <QtTest>

#include <climits>

Q_DECLARE_METATYPE(EFirmwareFault)

namespace {

// A recognisable image: byte i is (i * 37 + seed) mod 256.
QByteArray Image(int size, int seed = 11) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 37 + seed) & 0xFF);
    return bytes;
}

// Line 2 as the files have it: "4F A0 07 ".
QByteArray Fields(const QByteArray& bytes) {
    QByteArray text;
    text.reserve(bytes.size() * 3);
    for (char b : bytes)
        text += QByteArray::number(uchar(b), 16).rightJustified(2, '0').toUpper() + ' ';
    return text;
}

QByteArray Prg(const QByteArray& version, int imageSize, const QByteArray& eol = "\r\n") {
    return version + eol + Fields(Image(imageSize)) + eol;
}

TByteArray ToBytes(const QByteArray& bytes) {
    return TByteArray(bytes.begin(), bytes.end());
}

} // namespace

class TestFirmware : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    int FFileNumber = 0;

    std::string WriteFile(const QByteArray& content) {
        const QString path = FDir.filePath(QStringLiteral("N20D_%1.prg").arg(++FFileNumber));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write the test file %s", qPrintable(path));
        return path.toStdString();
    }

    static void VerifyEmpty(const TFirmware& firmware) {
        QCOMPARE(firmware.PacketCount(), 0);
        QCOMPARE(firmware.VersionCode(), std::string());
        TByteArray out;
        QVERIFY_THROWS_EXCEPTION(EFirmwareError, firmware.GetFirmwarePacket(0, out));
    }

private slots:
    void initTestCase() { QVERIFY(FDir.isValid()); }

    void load_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("versionCode"); // empty: refused
        QTest::addColumn<int>("packetCount");
        QTest::addColumn<QByteArray>("imageStart"); // expected first bytes of packet 0
        QTest::addColumn<EFirmwareFault>("fault");
        QTest::addColumn<int>("faultColumn"); // -1: not checked

        const QByteArray img520 = Fields(Image(520));
        const QByteArray img518 = Fields(Image(518));
        const QByteArray img519 = Fields(Image(519));
        const auto ok = EFirmwareFault::None;

        // Version line.
        QTest::newRow("01.0A with blanks around")
            << Prg(" 01.0A ", 520) << "010A" << 1 << QByteArray() << ok << -1;
        QTest::newRow("version with tabs and control chars around")
            << Prg("\t\x01 01.0A\t\x1f", 520) << "010A" << 1 << QByteArray() << ok << -1;
        QTest::newRow("1.0A refused (4 characters)")
            << Prg("1.0A", 520) << "" << 0 << QByteArray() << EFirmwareFault::BadVersionLine << -1;
        QTest::newRow("1f-2b lower case, any separator")
            << Prg("1f-2b", 520) << "1F2B" << 1 << QByteArray() << ok << -1;
        QTest::newRow("separator may be a blank")
            << Prg("01 0A", 520) << "010A" << 1 << QByteArray() << ok << -1;
        QTest::newRow("6 characters refused")
            << Prg("01.0AB", 520) << "" << 0 << QByteArray() << EFirmwareFault::BadVersionLine << -1;
        QTest::newRow("version digit not hex")
            << Prg("0G.0A", 520) << "" << 0 << QByteArray() << EFirmwareFault::BadVersionLine << -1;
        QTest::newRow("blank in place of a version digit")
            << Prg("01. A", 520) << "" << 0 << QByteArray() << EFirmwareFault::BadVersionLine << -1;
        QTest::newRow("empty file") << QByteArray("") << "" << 0 << QByteArray()
                                    << EFirmwareFault::BadVersionLine << -1;
        QTest::newRow("huge first line")
            << QByteArray(1 << 20, 'A') << "" << 0 << QByteArray() << EFirmwareFault::BadVersionLine << -1;

        // Packet sizes.
        QTest::newRow("1040 bytes give two packets")
            << Prg("01.0A", 1040) << "010A" << 2 << Image(4) << ok << -1;
        QTest::newRow("1039 bytes refused")
            << Prg("01.0A", 1039) << "" << 0 << QByteArray() << EFirmwareFault::IncompletePacket << -1;
        QTest::newRow("1041 bytes refused")
            << Prg("01.0A", 1041) << "" << 0 << QByteArray() << EFirmwareFault::IncompletePacket << -1;

        // Fields by position.
        QTest::newRow("04A0FF read by position as 04A and 0FF")
            << QByteArray("01.0A\n04A0FF" + img518) << "010A" << 1 << QByteArray("\x4A\xFF") << ok << -1;
        QTest::newRow("1FF gives its low eight bits")
            << QByteArray("01.0A\n1FF" + img519) << "010A" << 1 << QByteArray("\xFF") << ok << -1;
        QTest::newRow("single-digit field")
            << QByteArray("01.0A\n 7 " + img519) << "010A" << 1 << QByteArray("\x07") << ok << -1;
        QTest::newRow("last field cut short is read as far as it goes")
            << QByteArray("01.0A\n" + img519 + "4") << "" << 0 << QByteArray()
            << EFirmwareFault::IncompletePacket << -1;
        QTest::newRow("last field of two characters without trailing space")
            << QByteArray("01.0A\n" + img520.chopped(1) + "\n") << "010A" << 1 << QByteArray() << ok << -1;
        QTest::newRow("a field starting at the last character is ignored")
            << QByteArray("01.0A\n" + img520 + "Z\n") << "010A" << 1 << QByteArray() << ok << -1;

        // Line ends and later lines.
        QTest::newRow("LF line ends") << Prg("01.0A", 520, "\n") << "010A" << 1 << QByteArray() << ok << -1;
        QTest::newRow("CR LF line ends")
            << Prg("01.0A", 520, "\r\n") << "010A" << 1 << QByteArray() << ok << -1;
        QTest::newRow("no line end after line 2")
            << QByteArray("01.0A\r\n" + img520) << "010A" << 1 << QByteArray() << ok << -1;
        QTest::newRow("third line ignored, even garbage")
            << QByteArray(Prg("01.0A", 520) + QByteArray("zz\0\x1A zz\n", 9) + img520) << "010A" << 1
            << QByteArray() << ok << -1;
        QTest::newRow("missing second line, no line end")
            << QByteArray("01.0A") << "" << 0 << QByteArray() << EFirmwareFault::MissingImageLine << -1;
        QTest::newRow("missing second line after line end")
            << QByteArray("01.0A\r\n") << "" << 0 << QByteArray() << EFirmwareFault::MissingImageLine << -1;
        QTest::newRow("empty second line")
            << QByteArray("01.0A\r\n\r\n") << "" << 0 << QByteArray() << EFirmwareFault::EmptyImage << -1;
        QTest::newRow("second line of blanks")
            << QByteArray("01.0A\n   \n") << "" << 0 << QByteArray() << EFirmwareFault::InvalidField << 1;

        // Bad fields.
        QTest::newRow("field not hexadecimal") << QByteArray("01.0A\n4F 4G " + img518) << "" << 0
                                               << QByteArray() << EFirmwareFault::InvalidField << 4;
        QTest::newRow("empty field") << QByteArray("01.0A\n4F    " + img518) << "" << 0 << QByteArray()
                                     << EFirmwareFault::InvalidField << 4;
        QTest::newRow("blank inside a field") << QByteArray("01.0A\n4 F" + img519) << "" << 0 << QByteArray()
                                              << EFirmwareFault::InvalidField << 1;
        QTest::newRow("signed field") << QByteArray("01.0A\n-1 " + img519) << "" << 0 << QByteArray()
                                      << EFirmwareFault::InvalidField << 1;
        QTest::newRow("huge second line of text") << QByteArray("01.0A\n" + QByteArray(4 << 20, 'x')) << ""
                                                  << 0 << QByteArray() << EFirmwareFault::InvalidField << 1;

        // NUL and Ctrl+Z never belong to a text firmware file.
        QTest::newRow("NUL in the middle of line 2")
            << QByteArray("01.0A\n4F " + QByteArray("\0", 1) + "0 " + img518) << "" << 0 << QByteArray()
            << EFirmwareFault::ForbiddenByte << 4;
        QTest::newRow("NUL in place of a field's blank")
            << QByteArray("01.0A\n4F" + QByteArray("\0", 1) + img519) << "" << 0 << QByteArray()
            << EFirmwareFault::ForbiddenByte << 3;
        QTest::newRow("Ctrl+Z in the middle of line 2")
            << QByteArray("01.0A\n4F \x1A"
                          "0 " +
                          img518)
            << "" << 0 << QByteArray() << EFirmwareFault::ForbiddenByte << 4;
        QTest::newRow("Ctrl+Z at the end of line 2") << QByteArray("01.0A\n" + img520 + "\x1A") << "" << 0
                                                     << QByteArray() << EFirmwareFault::ForbiddenByte << 1561;
        QTest::newRow("NUL around the version") << QByteArray(QByteArray("\0", 1) + Prg("01.0A", 520)) << ""
                                                << 0 << QByteArray() << EFirmwareFault::ForbiddenByte << 1;
        QTest::newRow("Ctrl+Z as version separator")
            << Prg("01\x1A"
                   "0A",
                   520)
            << "" << 0 << QByteArray() << EFirmwareFault::ForbiddenByte << 3;
        QTest::newRow("lone CR is a blank within the line")
            << QByteArray("01.0A\n4F\r" + img519) << "010A" << 1 << QByteArray("\x4F") << ok << -1;
    }

    void load() {
        QFETCH(QByteArray, content);
        QFETCH(QString, versionCode);
        QFETCH(int, packetCount);
        QFETCH(QByteArray, imageStart);
        QFETCH(EFirmwareFault, fault);
        QFETCH(int, faultColumn);

        TFirmware firmware;
        const bool valid = firmware.LoadFirmware(WriteFile(content));
        QCOMPARE(valid, !versionCode.isEmpty());
        QCOMPARE(int(firmware.LastFault().Code), int(fault));
        if (faultColumn >= 0)
            QCOMPARE(firmware.LastFault().Column, std::size_t(faultColumn));
        QCOMPARE(QString::fromStdString(firmware.VersionCode()), versionCode);
        QCOMPARE(firmware.PacketCount(), packetCount);
        for (int i = 0; i < firmware.PacketCount(); ++i) {
            TByteArray packet;
            firmware.GetFirmwarePacket(i, packet);
            QCOMPARE(packet.size(), kFirmwarePacketSize);
            if (i == 0)
                QCOMPARE(TByteArray(packet.begin(), packet.begin() + imageStart.size()), ToBytes(imageStart));
        }
        if (!valid)
            VerifyEmpty(firmware);
    }

    // The loader streams the file in chunks; a line end, field or version split
    // across chunks must read exactly as in one piece.
    void reader_sameResultByteByByte_data() { load_data(); }
    void reader_sameResultByteByByte() {
        QFETCH(QByteArray, content);
        QFETCH(QString, versionCode);
        QFETCH(EFirmwareFault, fault);

        TFirmwareReader whole;
        whole.Feed(reinterpret_cast<const std::uint8_t*>(content.constData()), std::size_t(content.size()));
        const bool wholeValid = whole.Finish();

        TFirmwareReader bytewise;
        for (char c : content) {
            const auto byte = std::uint8_t(c);
            if (!bytewise.Feed(&byte, 1))
                break;
        }
        QCOMPARE(bytewise.Finish(), wholeValid);
        QCOMPARE(wholeValid, !versionCode.isEmpty());
        QCOMPARE(int(bytewise.Fault().Code), int(fault));
        QCOMPARE(bytewise.Fault().Column, whole.Fault().Column);
        QCOMPARE(bytewise.VersionCode(), whole.VersionCode());
        QVERIFY(bytewise.Packets() == whole.Packets());
    }

    void packets_holdTheImageBytesInOrder() {
        const QByteArray image = Image(3 * 520, 200);
        TFirmware firmware;
        QVERIFY(firmware.LoadFirmware(WriteFile("01.0A\n" + Fields(image) + "\n")));
        QCOMPARE(firmware.PacketCount(), 3);
        for (int i = 0; i < 3; ++i) {
            TByteArray packet;
            firmware.GetFirmwarePacket(i, packet);
            QCOMPARE(packet, ToBytes(image.mid(i * 520, 520)));
        }
    }

    // A 1 MiB image spans many read chunks of the loader.
    void largeImage_loadsAcrossReadChunks() {
        const int size = 2017 * 520;
        const QByteArray image = Image(size, 3);
        TFirmware firmware;
        QVERIFY(firmware.LoadFirmware(WriteFile("AB.CD\r\n" + Fields(image) + "\r\n")));
        QCOMPARE(firmware.VersionCode(), std::string("ABCD"));
        QCOMPARE(firmware.PacketCount(), 2017);
        TByteArray packet;
        firmware.GetFirmwarePacket(2016, packet);
        QCOMPARE(packet, ToBytes(image.right(520)));
    }

    void getFirmwarePacket_outOfRange_throwsKey_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("-1") << -1;
        QTest::newRow("count") << 2;
        QTest::newRow("INT_MIN") << INT_MIN;
        QTest::newRow("INT_MAX") << INT_MAX;
    }
    void getFirmwarePacket_outOfRange_throwsKey() {
        QFETCH(int, index);
        TFirmware firmware;
        QVERIFY(firmware.LoadFirmware(WriteFile(Prg("01.0A", 1040))));
        TByteArray out{1, 2, 3};
        try {
            firmware.GetFirmwarePacket(index, out);
            QFAIL("no error raised");
        } catch (const EFirmwareError& error) {
            QCOMPARE(QString::fromStdString(error.key()), QStringLiteral("InvalidFirmwarePacketNumber"));
        }
        QCOMPARE(out, (TByteArray{1, 2, 3}));
    }

    void newObject_isEmpty() { VerifyEmpty(TFirmware()); }

    void failedLoad_clearsPreviousFile_andNextLoadWorks() {
        TFirmware firmware;
        QVERIFY(firmware.LoadFirmware(WriteFile(Prg("01.0A", 1040))));
        QCOMPARE(firmware.PacketCount(), 2);

        // Refused after a good version line and a full first packet.
        QVERIFY(!firmware.LoadFirmware(WriteFile(Prg("02.0B", 1041))));
        VerifyEmpty(firmware);

        QVERIFY(firmware.LoadFirmware(WriteFile(Prg("1f-2b", 520))));
        QCOMPARE(firmware.VersionCode(), std::string("1F2B"));
        QCOMPARE(firmware.PacketCount(), 1);
        QCOMPARE(int(firmware.LastFault().Code), int(EFirmwareFault::None));

        firmware.ClearFirmware();
        VerifyEmpty(firmware);
    }

    void missingFileOrFolder_isRefused_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<EFirmwareFault>("fault");
        QTest::newRow("missing file") << FDir.filePath("none.prg") << EFirmwareFault::FileNotFound;
        QTest::newRow("empty path") << QString() << EFirmwareFault::FileNotFound;
        QTest::newRow("folder") << FDir.path() << EFirmwareFault::NotAFile;
    }
    void missingFileOrFolder_isRefused() {
        QFETCH(QString, path);
        QFETCH(EFirmwareFault, fault);
        TFirmware firmware;
        QVERIFY(firmware.LoadFirmware(WriteFile(Prg("01.0A", 520))));
        QVERIFY(!firmware.LoadFirmware(path.toStdString()));
        QCOMPARE(int(firmware.LastFault().Code), int(fault));
        VerifyEmpty(firmware);
    }

    void nonAsciiPath_loads() {
        const QString path = FDir.filePath(QStringLiteral("Größe_ß.prg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Prg("01.0A", 520));
        file.close();
        TFirmware firmware;
        QVERIFY(firmware.LoadFirmware(path.toUtf8().toStdString()));
    }

    void cli_firmwareInfo_data() {
        QTest::addColumn<QStringList>("arguments"); // "@good" / "@bad" stand for test files
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expectedOutput"); // on stdout (exit 0) or stderr
        QTest::newRow("valid file") << QStringList{"firmware", "info", "@good"} << 0
                                    << "version code: 1F2B\npacket count: 2\n";
        QTest::newRow("invalid file") << QStringList{"firmware", "info", "@bad"} << 1 << "not hexadecimal";
        QTest::newRow("missing file") << QStringList{"firmware", "info", "@missing"} << 1 << "does not exist";
        QTest::newRow("no file") << QStringList{"firmware", "info"} << 2
                                 << "usage: nconfig-cli firmware info";
        QTest::newRow("two files") << QStringList{"firmware", "info", "@good", "@good"} << 2 << "usage:";
        QTest::newRow("unknown subcommand") << QStringList{"firmware", "send", "@good"} << 2 << "usage:";
        QTest::newRow("help") << QStringList{"firmware", "--help"} << 0 << "usage: nconfig-cli firmware info";
    }
    void cli_firmwareInfo() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, expectedOutput);

        const QString good = QString::fromStdString(WriteFile(Prg("1f.2b", 1040)));
        const QString bad = QString::fromStdString(WriteFile("01.0A\n4F 4G\n"));
        for (QString& a : arguments) {
            if (a == "@good")
                a = good;
            else if (a == "@bad")
                a = bad;
            else if (a == "@missing")
                a = FDir.filePath("missing.prg");
        }
        const QString cli = ToolPath(QStringLiteral("nconfig-cli"));
        QVERIFY2(QFileInfo::exists(cli) || QFileInfo::exists(cli + ".exe"), "nconfig-cli is not built");
        const TToolRun run = RunTool(QStringLiteral("nconfig-cli"), arguments);
        QVERIFY2(run.exitCode >= 0, qPrintable(run.err)); // finished, did not crash
        QCOMPARE(run.exitCode, exitCode);
        const QString& out = exitCode == 0 ? run.out : run.err;
        QVERIFY2(out.contains(expectedOutput), qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestFirmware)
#include "tst_firmware.moc"
