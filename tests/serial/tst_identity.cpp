#include "DeviceIdentity.h"

#include <QTest>

class TestIdentity : public QObject {
    Q_OBJECT
private slots:
    void modelLists_data();
    void modelLists();
    void exactModelTests_data();
    void exactModelTests();
    void versionOrder_data();
    void versionOrder();
};

void TestIdentity::modelLists_data() {
    QTest::addColumn<QByteArray>("model");
    // Expected membership in N3, N05, N20 family, N20C, NF20, N20_3G.
    QTest::addColumn<QString>("lists");

    QTest::newRow("N20D") << QByteArray("Dev: N20D") << "--F---";
    QTest::newRow("N20_3G in family and 3G, not N20C") << QByteArray("Dev: N20_3G") << "--F--G";
    QTest::newRow("N20C plus a letter") << QByteArray("Dev: N20CX") << "--FC--";
    QTest::newRow("N20 with anything appended") << QByteArray("Dev: N20 rev B") << "--F---";
    QTest::newRow("NF20 not admitted by N20, in its own list") << QByteArray("Dev: NF20") << "--F-N-";
    QTest::newRow("W20") << QByteArray("Dev: W20") << "--F---";
    QTest::newRow("N32 admitted by N3") << QByteArray("Dev: N32") << "3-----";
    QTest::newRow("W32 admitted by W3") << QByteArray("Dev: W32") << "3-----";
    QTest::newRow("N05") << QByteArray("Dev: N05") << "-5----";
    QTest::newRow("case differs") << QByteArray("dev: n20") << "------";
    QTest::newRow("upper DEV") << QByteArray("DEV: N20") << "------";
    QTest::newRow("empty") << QByteArray("") << "------";
    QTest::newRow("shorter than every entry") << QByteArray("Dev: N") << "------";
    QTest::newRow("unknown model") << QByteArray("Dev: X9") << "------";
}

void TestIdentity::modelLists() {
    QFETCH(QByteArray, model);
    QFETCH(QString, lists);
    const std::string text = model.toStdString();
    const TModelList* all[] = {&N3Family, &N05List, &N20Family, &N20CList, &NF20List, &N20_3GList};
    QString got;
    const char marks[] = "35FCNG";
    for (int i = 0; i < 6; ++i)
        got += StartsWithAny(text, *all[i]) ? QLatin1Char(marks[i]) : QLatin1Char('-');
    QCOMPARE(got, lists);
}

void TestIdentity::exactModelTests_data() {
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<bool>("n20d");
    QTest::addColumn<bool>("n20f");
    QTest::newRow("N20D") << QByteArray("Dev: N20D") << true << false;
    QTest::newRow("N20F") << QByteArray("Dev: N20F") << false << true;
    QTest::newRow("N20D with suffix") << QByteArray("Dev: N20DX") << false << false;
    QTest::newRow("N20F lower case") << QByteArray("Dev: n20f") << false << false;
    QTest::newRow("trailing space") << QByteArray("Dev: N20D ") << false << false;
    QTest::newRow("empty") << QByteArray("") << false << false;
}

void TestIdentity::exactModelTests() {
    QFETCH(QByteArray, model);
    QFETCH(bool, n20d);
    QFETCH(bool, n20f);
    QCOMPARE(IsN20D(model.toStdString()), n20d);
    QCOMPARE(IsN20F(model.toStdString()), n20f);
}

void TestIdentity::versionOrder_data() {
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("before122");
    QTest::addColumn<bool>("before127");
    QTest::addColumn<bool>("equals112");
    QTest::newRow("1.22 itself") << QByteArray("Ver: 1.22") << false << true << false;
    QTest::newRow("1.27 itself") << QByteArray("Ver: 1.27") << false << false << false;
    QTest::newRow("1.3 sorts after 1.27") << QByteArray("Ver: 1.3") << false << false << false;
    QTest::newRow("1.100 sorts before 1.22") << QByteArray("Ver: 1.100") << true << true << false;
    QTest::newRow("2.00 after both") << QByteArray("Ver: 2.00") << false << false << false;
    QTest::newRow("1.12 exactly") << QByteArray("Ver: 1.12") << true << true << true;
    QTest::newRow("1.12 with suffix is not 1.12") << QByteArray("Ver: 1.12a") << true << true << false;
    QTest::newRow("prefix of 1.22 sorts first") << QByteArray("Ver: 1.2") << true << true << false;
    QTest::newRow("empty before everything") << QByteArray("") << true << true << false;
    QTest::newRow("high byte sorts after ASCII") << QByteArray("Ver: 1.\xE9") << false << false << false;
}

void TestIdentity::versionOrder() {
    QFETCH(QByteArray, version);
    QFETCH(bool, before122);
    QFETCH(bool, before127);
    QFETCH(bool, equals112);
    const std::string text = version.toStdString();
    QCOMPARE(VersionBefore(text, kVersion122), before122);
    QCOMPARE(VersionBefore(text, kVersion127), before127);
    QCOMPARE(VersionEquals(text, kVersion112), equals112);
    QVERIFY(!VersionBefore(text, text));
}

#include "tst_identity.moc"

QObject* NewTestIdentity() {
    return new TestIdentity;
}
