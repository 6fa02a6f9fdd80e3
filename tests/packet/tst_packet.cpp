// Tests of the packet layer: checksum, cipher, codec and the request builders.
// The expected wire images below were computed by a separate reference
// implementation of the format, so they pin the bytes the device relies on.

#include "N_Blowfish_simple.h"
#include "N_CRC16.h"
#include "N_Common.h"
#include "PacketParser.h"

#include <QtTest>

#include <functional>
#include <random>

Q_DECLARE_METATYPE(TByteArray)
Q_DECLARE_METATYPE(TPacketDataArray)

namespace {

TByteArray bytes(const QByteArray& b) {
    return TByteArray(b.begin(), b.end());
}
TByteArray hex(const char* text) {
    return HexToBytes(text);
}
std::string str(const QByteArray& b) {
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

TByteArray plaintextOf(const TByteArray& packet) {
    return DecryptBuffer(TByteArray(packet.begin() + 8, packet.end()), kPacketKey);
}

// A wire packet around an arbitrary plaintext (zero-filled to a multiple of 8),
// with a correct header unless the caller overrides the checksum.
TByteArray wrap(TByteArray plain, std::uint8_t count = 1, std::uint8_t number = 1, int crcOverride = -1) {
    plain.resize((plain.size() + 7) / 8 * 8, 0);
    const std::uint16_t crc = crcOverride >= 0 ? std::uint16_t(crcOverride) : Crc16(plain);
    TByteArray out{0x02,
                   count,
                   number,
                   0x00,
                   std::uint8_t(plain.size()),
                   std::uint8_t(plain.size() >> 8),
                   std::uint8_t(crc),
                   std::uint8_t(crc >> 8)};
    const TByteArray cipher = EncryptBuffer(plain, kPacketKey);
    out.insert(out.end(), cipher.begin(), cipher.end());
    return out;
}

TByteArray buildCommand(const std::string& command, const std::string& code) {
    TPacket packet;
    packet.Command = command;
    return PacketParserInstance().Build(packet, code);
}

QString failureKeyOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EPacketError& e) {
        return QString::fromStdString(e.key());
    }
    return QStringLiteral("<no failure>");
}

// "Id|Value" per item, bytes kept as Latin-1, for readable comparisons.
QStringList describe(const TPacketDataArray& items) {
    QStringList out;
    for (const auto& item : items)
        out << QString::fromLatin1(item.Id.data(), qsizetype(item.Id.size())) + '|' +
                   QString::fromLatin1(item.Value.data(), qsizetype(item.Value.size()));
    return out;
}

// Random text of 8-bit bytes without the line end and end mark, which the
// format cannot carry inside a line.
std::string randomText(std::mt19937& rng, std::size_t length) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out;
    while (out.size() < length) {
        const int b = byte(rng);
        if (b != 0x0A && b != 0x0D)
            out.push_back(char(b));
    }
    return out;
}

} // namespace

class TestPacket : public QObject {
    Q_OBJECT
private slots:
    // ---- checksum -------------------------------------------------------

    void crc16_matchesDeviceTable_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << QByteArray() << 0x0000;
        QTest::newRow("abc as KERMIT") << QByteArray("abc") << 0x58E9;
        QTest::newRow("changed entry 0x5F") << QByteArray("_") << 0x0072;
        QTest::newRow("KERMIT check string") << QByteArray("123456789") << 0x2189;
        // The changed entry reached in the middle of the data (published table: 0x3021).
        QTest::newRow("changed entry mid-stream") << QByteArray::fromHex("41D200") << 0x308B;
        QTest::newRow("status plaintext")
            << QByteArray::fromHex("4630070707070707 0A0D000000000000") << 0x2A5D;
    }
    void crc16_matchesDeviceTable() {
        QFETCH(QByteArray, data);
        QFETCH(int, expected);
        QCOMPARE(int(Crc16(bytes(data))), expected);
    }

    void crc16Table_differsFromPublishedOnlyAt0x5F_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected");
        QTest::newRow("0x01") << 0x01 << 0x1189;
        QTest::newRow("0x5E") << 0x5E << 0xBBFB;
        QTest::newRow("0x5F changed") << 0x5F << 0x0072;
        QTest::newRow("0x60") << 0x60 << 0x6306;
        QTest::newRow("0x80") << 0x80 << 0x8408;
        QTest::newRow("0xFF") << 0xFF << 0x0F78;
    }
    void crc16Table_differsFromPublishedOnlyAt0x5F() {
        QFETCH(int, index);
        QFETCH(int, expected);
        QCOMPARE(int(Crc16TableEntry(std::uint8_t(index))), expected);
    }

    // ---- cipher ---------------------------------------------------------

    void keyWords_wrapAroundTheKey_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("word");
        QTest::addColumn<quint32>("expected");
        // Packet key "7130462958": word 2 is made of key bytes 8, 9, 0, 1.
        QTest::newRow("10-byte key word 0") << QByteArray("7130462958") << 0 << quint32(0x37313330);
        QTest::newRow("10-byte key word 1") << QByteArray("7130462958") << 1 << quint32(0x34363239);
        QTest::newRow("10-byte key word 2 wraps") << QByteArray("7130462958") << 2 << quint32(0x35383731);
        QTest::newRow("10-byte key word 3 carries on")
            << QByteArray("7130462958") << 3 << quint32(0x33303436);
        QTest::newRow("10-byte key word 17") << QByteArray("7130462958") << 17 << quint32(0x35383731);
        QTest::newRow("3-byte key word 1") << QByteArray("abc") << 1 << quint32(0x62636162);
        QTest::newRow("1-byte key") << QByteArray("\xA5") << 9 << quint32(0xA5A5A5A5);
        QTest::newRow("8-bit bytes") << QByteArray("\xFF\x80\x01\x7F") << 0 << quint32(0xFF80017F);
    }
    void keyWords_wrapAroundTheKey() {
        QFETCH(QByteArray, key);
        QFETCH(int, word);
        QFETCH(quint32, expected);
        QCOMPARE(quint32(BlowfishKeyWords(str(key))[std::size_t(word)]), expected);
    }

    void encrypt_matchesReferenceVectors_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("cipher");
        QTest::newRow("packet key, bytes 0..15")
            << QByteArray("7130462958") << QByteArray::fromHex("000102030405060708090A0B0C0D0E0F")
            << QByteArray::fromHex("875FC5ED29D6C821F712BF47245EB1DE");
        QTest::newRow("one-byte key, zero block")
            << QByteArray("K") << QByteArray(8, '\0') << QByteArray::fromHex("FACAC8D2C1B7FD3E");
    }
    void encrypt_matchesReferenceVectors() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, cipher);
        QCOMPARE(EncryptBuffer(bytes(plain), str(key)), bytes(cipher));
        QCOMPARE(DecryptBuffer(bytes(cipher), str(key)), bytes(plain));
    }

    void encrypt_equalBlocksGiveEqualBlocks() {
        const TByteArray block = hex("F4313233343536A0");
        TByteArray data = block;
        data.insert(data.end(), 8, 0x55);
        data.insert(data.end(), block.begin(), block.end());
        const TByteArray out = EncryptBuffer(data, kPacketKey);
        QCOMPARE(out.size(), data.size());
        QCOMPARE(TByteArray(out.begin(), out.begin() + 8), TByteArray(out.begin() + 16, out.end()));
        QVERIFY(TByteArray(out.begin(), out.begin() + 8) != TByteArray(out.begin() + 8, out.begin() + 16));
        QVERIFY(TByteArray(out.begin(), out.begin() + 8) != block);
    }

    void cipher_unusableInputGivesEmpty_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("12 bytes") << QByteArray(12, 'x') << QByteArray("7130462958");
        QTest::newRow("7 bytes") << QByteArray(7, 'x') << QByteArray("7130462958");
        QTest::newRow("empty key") << QByteArray(16, 'x') << QByteArray();
        QTest::newRow("empty data") << QByteArray() << QByteArray("7130462958");
    }
    void cipher_unusableInputGivesEmpty() {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, key);
        QVERIFY(EncryptBuffer(bytes(data), str(key)).empty());
        QVERIFY(DecryptBuffer(bytes(data), str(key)).empty());
    }

    void cipher_roundTripsRandomBuffersUnderRandomKeys() {
        std::mt19937 rng(20261211);
        std::uniform_int_distribution<int> blocks(1, 70), keyLength(1, 56), byte(0, 255);
        for (int round = 0; round < 300; ++round) {
            TByteArray data(std::size_t(blocks(rng)) * 8);
            for (auto& b : data)
                b = std::uint8_t(byte(rng));
            std::string key(std::size_t(keyLength(rng)), '\0');
            for (auto& c : key)
                c = char(byte(rng));
            const TByteArray cipher = EncryptBuffer(data, key);
            QCOMPARE(cipher.size(), data.size());
            QVERIFY(cipher != data);
            QCOMPARE(DecryptBuffer(cipher, key), data);
            // No state carries over from one call to the next.
            QCOMPARE(EncryptBuffer(data, key), cipher);
        }
    }

    // ---- building -------------------------------------------------------

    void statusRequest_isTheSpecifiedWireImage() {
        const TByteArray packet = BuildStatusRequest();
        QCOMPARE(packet, hex("0201010010005D2A751CFE9076A94D3BB5678DF70EA2DA2C"));
        QCOMPARE(plaintextOf(packet), hex("4630070707070707"
                                          "0A0D000000000000"));
    }

    void requestBuilders_setCommandCodeFieldAndNumbers_data() {
        QTest::addColumn<TByteArray>("packet");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("text"); // plaintext up to and including the end mark

        const QByteArray hidden(6, '\x07');
        QTest::newRow("F0 status") << BuildStatusRequest() << 1 << 1 << "F0" + hidden + "\n\r";
        QTest::newRow("F2 six-character code")
            << BuildReadRequest("123456") << 1 << 1 << QByteArray("F2123456\n\r");
        QTest::newRow("F2 four-character code padded")
            << BuildReadRequest("1234") << 1 << 1 << QByteArray("F2123400\n\r");
        QTest::newRow("F2 long code cut to six")
            << BuildReadRequest("12345678") << 1 << 1 << QByteArray("F2123456\n\r");
        QTest::newRow("F2 empty code") << BuildReadRequest("") << 1 << 1 << QByteArray("F2000000\n\r");
        QTest::newRow("F5 restore") << BuildRestoreRequest("4321") << 1 << 1 << QByteArray("F5432100\n\r");
        QTest::newRow("F4 write 3 of 6")
            << BuildWritePacket("1234", {{"001", "AB"}, {"002", ""}, {"001", "\xE4\x01"}}, 3, 6) << 6 << 3
            << QByteArray("F4123400\n001AB\n002\n001\xE4\x01\n\r");
        QTest::newRow("FA firmware start, value alone")
            << BuildFirmwareRequest("1234", "010A") << 1 << 1 << QByteArray("FA123400\n010A\n\r");
        QTest::newRow("FB restart") << BuildRestartRequest("123456") << 1 << 1 << QByteArray("FB123456\n\r");
        QTest::newRow("FE repeat 2 of 6") << BuildRepeatRequest(6, 2) << 6 << 2 << "FE" + hidden + "\n\r";
        QTest::newRow("F1 hides the code") << buildCommand("F1", "1234") << 1 << 1 << "F1" + hidden + "\n\r";
        QTest::newRow("F3 carries the code")
            << buildCommand("F3", "1234") << 1 << 1 << QByteArray("F3123400\n\r");
        QTest::newRow("F command cut to two characters")
            << buildCommand("FFx", "1234") << 1 << 1 << "FF" + hidden + "\n\r";
        QTest::newRow("FF acknowledge 6 of 6") << BuildAcknowledge(6, 6) << 6 << 6 << "FF" + hidden + "\n\r";
    }
    void requestBuilders_setCommandCodeFieldAndNumbers() {
        QFETCH(TByteArray, packet);
        QFETCH(int, count);
        QFETCH(int, number);
        QFETCH(QByteArray, text);

        TByteArray expected = bytes(text);
        expected.insert(expected.end(), 8 - expected.size() % 8, 0);
        const TByteArray plain = plaintextOf(packet);
        QCOMPARE(plain, expected);
        QCOMPARE(packet.size(), 8 + expected.size());
        QCOMPARE(TByteArray(packet.begin(), packet.begin() + 4),
                 (TByteArray{0x02, std::uint8_t(count), std::uint8_t(number), 0x00}));
        QCOMPARE(int(packet[4] | packet[5] << 8), int(expected.size()));
        QCOMPARE(int(packet[6] | packet[7] << 8), int(Crc16(expected)));
    }

    void build_padsOneToEightZeroBytes_data() {
        QTest::addColumn<int>("valueLength");
        QTest::addColumn<int>("dataLength");
        // Text = 9 (command line) + 3 + value + 1 (line end) + 1 (end mark).
        QTest::newRow("14 bytes of text, 2 of padding") << 0 << 16;
        QTest::newRow("15 bytes of text, 1 of padding") << 1 << 16;
        QTest::newRow("16 bytes of text, 8 of padding") << 2 << 24;
        QTest::newRow("23 bytes of text, 1 of padding") << 9 << 24;
        QTest::newRow("24 bytes of text, 8 of padding") << 10 << 32;
    }
    void build_padsOneToEightZeroBytes() {
        QFETCH(int, valueLength);
        QFETCH(int, dataLength);
        const TByteArray packet =
            BuildWritePacket("1234", {{"001", std::string(std::size_t(valueLength), 'v')}}, 1, 1);
        QCOMPARE(int(packet.size()), 8 + dataLength);
        QCOMPARE(int(packet[4] | packet[5] << 8), dataLength);
        const TByteArray plain = plaintextOf(packet);
        const std::size_t textLength = std::size_t(14 + valueLength);
        QCOMPARE(plain[textLength - 1], std::uint8_t(0x0D));
        QVERIFY(std::all_of(plain.begin() + std::ptrdiff_t(textLength), plain.end(),
                            [](auto b) { return b == 0; }));
    }

    void build_replyWordHasNoCodeField() {
        TPacket reply;
        reply.Command = "OK";
        const TByteArray packet = PacketParserInstance().Build(reply, "123456");
        QCOMPARE(packet, hex("020101000800BD309C83EB4FB70696F5"));
        QCOMPARE(plaintextOf(packet), hex("4F4B0A0D00000000"));
    }

    void build_ignoresGivenLengthAndChecksum() {
        TPacket packet;
        packet.Command = "F4";
        packet.Items = {{"001", "x"}};
        const TByteArray clean = PacketParserInstance().Build(packet, "1234");
        packet.DataLength = 0xFFFF;
        packet.Crc = 0x1234;
        QCOMPARE(PacketParserInstance().Build(packet, "1234"), clean);
    }

    void build_refusesPayloadBeyondLengthField() {
        TPacket packet;
        packet.Command = "F4";
        // Text = 9 + (3 + n + 1) + 1; the largest payload that fits is 65528 bytes.
        packet.Items = {{"001", std::string(kMaxDataLength - 15, 'v')}};
        const TByteArray largest = PacketParserInstance().Build(packet, "1234");
        QCOMPARE(largest.size(), 8 + kMaxDataLength);
        QCOMPARE(PacketParserInstance().Parse(largest).Items, packet.Items);

        packet.Items[0].Value.push_back('v');
        QCOMPARE(failureKeyOf([&] { PacketParserInstance().Build(packet, "1234"); }),
                 QStringLiteral("ErrorPacketTooLong"));
    }

    // ---- parsing --------------------------------------------------------

    void parse_failsWithKeyInCheckOrder_data() {
        QTest::addColumn<TByteArray>("packet");
        QTest::addColumn<QString>("key");

        const TByteArray status = BuildStatusRequest();
        auto with = [](TByteArray b, std::size_t at, std::uint8_t value) {
            b[at] = value;
            return b;
        };
        QTest::newRow("empty") << TByteArray{} << "ErrorBadPacketSize";
        QTest::newRow("header only") << TByteArray(status.begin(), status.begin() + 8)
                                     << "ErrorBadPacketSize";
        QTest::newRow("15 bytes") << TByteArray(status.begin(), status.begin() + 15) << "ErrorBadPacketSize";
        QTest::newRow("20 bytes, size before identifier")
            << with(TByteArray(status.begin(), status.begin() + 20), 0, 0x55) << "ErrorBadPacketSize";
        TByteArray longer = status;
        longer.push_back(0x00); // the byte the link appends when sending
        QTest::newRow("trailing send byte") << longer << "ErrorBadPacketSize";
        QTest::newRow("identifier before reserved byte")
            << with(with(status, 0, 0x03), 3, 0x01) << "ErrorBadHeaderIdentifier";
        QTest::newRow("reserved byte before length")
            << with(with(status, 3, 0x01), 4, 0x08) << "ErrorBadHeader";
        QTest::newRow("16 bytes stating 16")
            << with(with(TByteArray(16, 0), 0, 0x02), 4, 0x10) << "ErrorHeaderLength";
        QTest::newRow("length high byte") << with(status, 5, 0x01) << "ErrorHeaderLength";
        QTest::newRow("length before checksum")
            << with(with(status, 4, 0x08), 6, 0x00) << "ErrorHeaderLength";
        QTest::newRow("checksum low byte")
            << with(status, 6, std::uint8_t(status[6] ^ 0x01)) << "ErrorBadCRC";
        QTest::newRow("checksum high byte")
            << with(status, 7, std::uint8_t(status[7] ^ 0x80)) << "ErrorBadCRC";
        QTest::newRow("payload byte") << with(status, 20, std::uint8_t(status[20] ^ 0x01)) << "ErrorBadCRC";
    }
    void parse_failsWithKeyInCheckOrder() {
        QFETCH(TByteArray, packet);
        QFETCH(QString, key);
        QCOMPARE(failureKeyOf([&] { PacketParserInstance().Parse(packet); }), key);
    }

    void parse_checksumIsOfDecipheredPayload() {
        const TByteArray plain = hex("4F4B0A0D00000000");
        TByteArray packet = wrap(plain);
        const std::uint16_t crcOfCipher = Crc16(TByteArray(packet.begin() + 8, packet.end()));
        QVERIFY(crcOfCipher != Crc16(plain));
        packet[6] = std::uint8_t(crcOfCipher);
        packet[7] = std::uint8_t(crcOfCipher >> 8);
        QCOMPARE(failureKeyOf([&] { PacketParserInstance().Parse(packet); }), QStringLiteral("ErrorBadCRC"));
    }

    void parse_splitsLines_data() {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QStringList>("items");

        QTest::newRow("OK reply") << QByteArray("OK\n\r") << QByteArray("OK") << QStringList();
        QTest::newRow("reply word kept whole")
            << QByteArray("CRCERROR\n\r") << QByteArray("CRCERROR") << QStringList();
        QTest::newRow("F3 code field dropped")
            << QByteArray("F3123456\n0011\n\r") << QByteArray("F3") << QStringList{"001|1"};
        QTest::newRow("F command cut to two characters")
            << QByteArray("F1xyz\n\r") << QByteArray("F1") << QStringList();
        QTest::newRow("empty lines give no item")
            << QByteArray("F3\n\n001A\n\n\n002B\n\r") << QByteArray("F3") << QStringList{"001|A", "002|B"};
        QTest::newRow("leading empty line") << QByteArray("\nOK\n\r") << QByteArray("OK") << QStringList();
        QTest::newRow("unterminated last line dropped")
            << QByteArray("F3\n001A\n002B\r") << QByteArray("F3") << QStringList{"001|A"};
        QTest::newRow("no end mark, padding line dropped")
            << QByteArray("F3\n001A\n002B", 12) << QByteArray("F3") << QStringList{"001|A"};
        QTest::newRow("lines after end mark ignored")
            << QByteArray("F3\n\r001A\n\n", 10) << QByteArray("F3") << QStringList();
        QTest::newRow("order and duplicates kept")
            << QByteArray("F3\n001A\n001B\n000C\n001A\n\r") << QByteArray("F3")
            << QStringList{"001|A", "001|B", "000|C", "001|A"};
        QTest::newRow("two-character line is an id")
            << QByteArray("F3\nAB\n\r") << QByteArray("F3") << QStringList{"AB|"};
        QTest::newRow("three-character line, empty value")
            << QByteArray("F3\n001\n\r") << QByteArray("F3") << QStringList{"001|"};
        QTest::newRow("8-bit and zero bytes in value")
            << QByteArray("F3\n001\xE4\x00\xFF\n\r", 11) << QByteArray("F3")
            << QStringList{QString::fromLatin1("001|\xE4") + QChar(0) + QString::fromLatin1("\xFF")};
        QTest::newRow("end mark only") << QByteArray("\r") << QByteArray() << QStringList();
    }
    void parse_splitsLines() {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, command);
        QFETCH(QStringList, items);
        const TPacket packet = PacketParserInstance().Parse(wrap(bytes(plain), 4, 2));
        QCOMPARE(QByteArray::fromStdString(packet.Command), command);
        QCOMPARE(describe(packet.Items), items);
        QCOMPARE(int(packet.PacketCount), 4);
        QCOMPARE(int(packet.PacketNumber), 2);
    }

    void parse_keepsHeaderLengthAndChecksum() {
        const TByteArray packet = BuildWritePacket("1234", {{"001", "value"}}, 2, 5);
        const TPacket parsed = PacketParserInstance().Parse(packet);
        QCOMPARE(int(parsed.DataLength), int(packet.size() - 8));
        QCOMPARE(int(parsed.Crc), int(packet[6] | packet[7] << 8));
        QCOMPARE(int(parsed.PacketCount), 5);
        QCOMPARE(int(parsed.PacketNumber), 2);
    }

    void codec_roundTripsRandomPackets() {
        std::mt19937 rng(424242);
        std::uniform_int_distribution<int> byte(0, 255), itemCount(0, 30), valueLength(0, 40), kind(0, 2);
        const char* const words[] = {"OK", "ABORT", "WRONG", "CRCERROR", "VERNROK", "READY"};
        for (int round = 0; round < 300; ++round) {
            TPacket packet;
            packet.PacketCount = std::uint8_t(byte(rng));
            packet.PacketNumber = std::uint8_t(byte(rng));
            switch (kind(rng)) {
            case 0:
                packet.Command = "F" + randomText(rng, 1);
                break;
            case 1:
                packet.Command = words[byte(rng) % 6];
                break;
            default: // any other first line that does not start with "F"
                do
                    packet.Command = randomText(rng, std::size_t(1 + byte(rng) % 12));
                while (packet.Command[0] == 'F');
            }
            for (int i = itemCount(rng); i > 0; --i)
                packet.Items.push_back({randomText(rng, 3), randomText(rng, std::size_t(valueLength(rng)))});

            const TByteArray wire =
                PacketParserInstance().Build(packet, randomText(rng, std::size_t(byte(rng) % 9)));
            const TPacket parsed = PacketParserInstance().Parse(wire);
            QCOMPARE(parsed.Command, packet.Command);
            QCOMPARE(parsed.Items, packet.Items);
            QCOMPARE(parsed.PacketCount, packet.PacketCount);
            QCOMPARE(parsed.PacketNumber, packet.PacketNumber);
            QCOMPARE(std::size_t(parsed.DataLength), wire.size() - 8);
        }
    }

    // ---- hexadecimal text -------------------------------------------------

    void hexToBytes_convertsPairs_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("upper case") << QByteArray("0A1BFF") << QByteArray("\x0A\x1B\xFF");
        QTest::newRow("lower case") << QByteArray("0a1bff") << QByteArray("\x0A\x1B\xFF");
        QTest::newRow("5 digits give 2 bytes") << QByteArray("12345") << QByteArray("\x12\x34");
        QTest::newRow("single digit gives nothing") << QByteArray("7") << QByteArray();
        QTest::newRow("trailing odd character ignored unchecked") << QByteArray("12x") << QByteArray("\x12");
    }
    void hexToBytes_convertsPairs() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(HexToBytes(str(text)), bytes(expected));
    }

    void hexToBytes_rejectsInvalidPairs_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("letter G") << QByteArray("0G");
        QTest::newRow("space separator") << QByteArray("12 34");
        QTest::newRow("colon separator") << QByteArray("12:34");
        QTest::newRow("sign") << QByteArray("+1");
        QTest::newRow("prefix") << QByteArray("0x12");
        QTest::newRow("invalid pair after valid ones") << QByteArray("0102zz");
    }
    void hexToBytes_rejectsInvalidPairs() {
        QFETCH(QByteArray, text);
        QCOMPARE(failureKeyOf([&] { HexToBytes(str(text)); }), QStringLiteral("ErrorInvalidHexNumber"));
    }

    void bytesToHex_roundTripsInUpperCase() {
        QCOMPARE(BytesToHex(hex("00a5ff10")), std::string("00A5FF10"));
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> byte(0, 255);
        TByteArray data(600);
        for (auto& b : data)
            b = std::uint8_t(byte(rng));
        QCOMPARE(HexToBytes(BytesToHex(data)), data);
    }
};

QTEST_GUILESS_MAIN(TestPacket)
#include "tst_packet.moc"
