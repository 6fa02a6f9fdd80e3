#include "N_Blowfish_simple.h"
#include "N_CRC16.h"
#include "N_Common.h"
#include "PacketParser.h"

#include <QtTest>

class TestPacket : public QObject {
    Q_OBJECT
private slots:
    void crc_knownValues()
    {
        QCOMPARE(Crc16(TByteArray{'a', 'b', 'c'}), std::uint16_t(0x58E9));
        QCOMPARE(Crc16(TByteArray{0x5F}), std::uint16_t(0x0072));
    }
    void statusRequest_layout()
    {
        const TByteArray p = BuildStatusRequest();
        QCOMPARE(p.size(), size_t(24));
        QCOMPARE(TByteArray(p.begin(), p.begin() + 6), (TByteArray{0x02, 0x01, 0x01, 0x00, 0x10, 0x00}));
        const TPacket parsed = PacketParserInstance().Parse(p);
        QCOMPARE(QString::fromStdString(parsed.Command), QStringLiteral("F0"));
    }
};

QTEST_GUILESS_MAIN(TestPacket)
#include "tst_packet.moc"
