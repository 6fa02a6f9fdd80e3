#include "Connections.h"
#include "EmulatorTransport.h"
#include "N_Common.h"
#include "N_Language.h"
#include "ScriptedPrompts.h"
#include "SerialTestSupport.h"
#include "SettingsStore.h"
#include "TempSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>
#include <memory>

namespace {

const QString kPortKey = QStringLiteral("Software\\Nconfig\\MainComport");

// A stand-in for the main window: the controls the link logic drives, the host
// callbacks, the window services of the data communication, and the port.
class StandInWindow : public QWidget, public IConnectionHost, public IWindowServices {
public:
    QPushButton* ConnectDisconnectBtn = named<QPushButton>("ConnectDisconnectBtn");
    QPushButton* ReadBtn = named<QPushButton>("ReadBtn");
    QPushButton* WriteBtn = named<QPushButton>("WriteBtn");
    QPushButton* StatusBtn = named<QPushButton>("StatusBtn");
    QPushButton* RestoreBtn = named<QPushButton>("RestoreBtn");
    QCheckBox* ReadAfterConnectChk = named<QCheckBox>("ReadAfterConnectChk");
    QLabel* ConnectedLab = named<QLabel>("ConnectedLab");
    QComboBox* DeviceConnectionModesCmb = named<QComboBox>("DeviceConnectionModesCmb");
    QComboBox* ComportPortCmb = named<QComboBox>("ComportPortCmb");
    QComboBox* ComportBaudRateCmb = named<QComboBox>("ComportBaudRateCmb");
    QComboBox* ComportDataBitsCmb = named<QComboBox>("ComportDataBitsCmb");
    QComboBox* ComportStopBitsCmb = named<QComboBox>("ComportStopBitsCmb");
    QComboBox* ComportParityCmb = named<QComboBox>("ComportParityCmb");
    QComboBox* ComportFlowControlCmb = named<QComboBox>("ComportFlowControlCmb");
    QLineEdit* ComportNameEdt = named<QLineEdit>("ComportNameEdt");

    TComPort* MainComPort = new TComPort(this);
    std::unique_ptr<TDataCommunication> comm;
    std::unique_ptr<TConnections> links;

    // What the window did.
    int statusQueries = 0;
    int reads = 0;
    int accessLevelRuns = 0;
    int waitWindows = 0;
    bool settingsRead = false;
    std::vector<TPacket> delivered;
    std::function<void()> onAccessLevel;

    StandInWindow() {
        ConnectDisconnectBtn->setText(QStringLiteral("Connect"));
        comm = std::make_unique<TDataCommunication>(
            MainComPort, [this](const TPacket& p) { delivered.push_back(p); }, this);
        connect(StatusBtn, &QPushButton::clicked, this, [this] {
            ++statusQueries;
            comm->QueryStatus();
        });
        connect(ReadBtn, &QPushButton::clicked, this, [this] {
            ++reads;
            comm->ReadSettings(DeviceEmulator::kDefaultAccessCode, true, false);
        });
    }

    // The window's start-up share of the link.
    void start() {
        TConnectionControls c;
        c.Window = this;
        c.ConnectDisconnectBtn = ConnectDisconnectBtn;
        c.ConnectedLab = ConnectedLab;
        c.ReadBtn = ReadBtn;
        c.WriteBtn = WriteBtn;
        c.StatusBtn = StatusBtn;
        c.RestoreBtn = RestoreBtn;
        c.ReadAfterConnectChk = ReadAfterConnectChk;
        c.DeviceConnectionModesCmb = DeviceConnectionModesCmb;
        c.ComportPortCmb = ComportPortCmb;
        c.ComportBaudRateCmb = ComportBaudRateCmb;
        c.ComportDataBitsCmb = ComportDataBitsCmb;
        c.ComportStopBitsCmb = ComportStopBitsCmb;
        c.ComportParityCmb = ComportParityCmb;
        c.ComportFlowControlCmb = ComportFlowControlCmb;
        c.ComportNameEdt = ComportNameEdt;
        links = std::make_unique<TConnections>(MainComPort, comm.get(), c, this);
        TConnections::LoadPortSetting(*MainComPort, TConnections::kPortSettingName);
        links->UpdateLinkCaption(QString());
        links->SetLinkMode(TConnections::Direct);
        links->LockLinkMode(true);
        links->CancelBtnClick();
    }

    // Start-up, then the user chooses the port.
    void startOn(const QString& port) {
        start();
        choosePort(port);
    }

    // Start-up with the link open on the port.
    bool connectOn(const QString& port) {
        startOn(port);
        return links->OpenSerialLink();
    }

    // The remote mode with a device reached through the send hook.
    void startRemote(EmulatorTransport& remote) {
        comm->RemoteSendHook = [&remote](const TByteArray& bytes) { remote.write(bytes); };
        remote.setReceiveHandler([this](const TByteArray& bytes) { comm->Receive(bytes); });
        links->LockLinkMode(false);
        links->SetLinkMode(TConnections::Gprs);
    }

    // Start-up with the remote link open to the device.
    bool connectRemote(EmulatorTransport& remote) {
        start();
        startRemote(remote);
        links->ConnectRemoteLink();
        return links->Connected();
    }

    // Chooses a port in the selector as the user does.
    void choosePort(const QString& name) {
        int index = ComportPortCmb->findText(name);
        if (index < 0) {
            ComportPortCmb->addItem(name);
            index = ComportPortCmb->count() - 1;
        }
        ComportPortCmb->setCurrentIndex(index);
        emit ComportPortCmb->activated(index);
    }

    void ApplyAccessLevel() override {
        ++accessLevelRuns;
        if (onAccessLevel)
            onAccessLevel();
    }
    bool SettingsRead() const override { return settingsRead; }
    void ShowWaitWindow() override { ++waitWindows; }
    std::string CurrentAccessCode() const override { return DeviceEmulator::kDefaultAccessCode; }

    bool DebugVisible() const override { return false; }
    void AddDebugLine(const std::string&) override {}
    void PostMessageText(const QString& text) override { links->PostMessageText(text); }
    void HandleAbort() override { links->HandleAbort(); }
    QString Lookup(const QString& key) override { return ::Lookup(key); }

protected:
    bool event(QEvent* e) override { return HandleShowMessageEvent(this, e) || QWidget::event(e); }

private:
    template <typename T> T* named(const char* name) {
        auto* w = new T(this);
        w->setObjectName(QLatin1String(name));
        return w;
    }
};

QString msg(const char* key) {
    return ::Lookup(QLatin1String(key));
}

} // namespace

class TestConnections : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startup_loadsRememberedPortIntoPortAndSelector();
    void startup_withoutRememberedPortKeepsDefault();
    void startup_locksDirectModeAndCaptionNamesPort();
    void loadPortSetting_data();
    void loadPortSetting();
    void savePortSetting_createsKeyAndFailsQuietly();
    void connectAndDisconnect_updateControlsAndQueryStatus();
    void connect_withReadAfterConnectReadsToo();
    void connect_abortToStatusQuerySkipsReadAfterConnect();
    void openFailure_showsOneMessageAndStaysDisconnected();
    void portChangeWhileConnected_reopensQueriesStatusAndRemembers();
    void portChangeWhileDisconnected_savesAndStaysClosed();
    void abortBetweenOperations_closesLinkThenShowsMessageOnce();
    void abortDuringRead_closesLinkAndShowsMessageOnce();
    void splitReply_completesTheRead();
    void unplugDuringRead_endsExchangeAndClosesLink();
    void deferredMessages_areShownLaterInPostingOrder();
    void refreshPortList_keepsConfiguredPortNamed();
    void hotPlug_refreshesListAndKeepsConfiguredPortNamed();
    void applyTakesAllSixSelectors_cancelShowsSettingsInUse();
    void formClose_whileConnectedClosesPort();
    void remoteMode_connectFailureNamesReason();
    void remoteMode_connectsAndIdleTimeoutRestarts();
    void remoteMode_abortDisconnectsWithoutRestart_failedRestartNamesReason();
    void resolveHost_data();
    void resolveHost();

private:
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    int m_savedTimeout = 0;
};

void TestConnections::initTestCase() {
    CreateTranslator();
    m_savedTimeout = PacketTimeout;
}

void TestConnections::init() {
    m_settings = std::make_unique<TempSettings>();
    m_prompts = std::make_unique<ScriptedPrompts>();
    PacketTimeout = 2000;
}

void TestConnections::cleanup() {
    PacketTimeout = m_savedTimeout;
    SetHostResolver({});
    TComPort::SetPortEnumerator({});
    m_prompts.reset();
    m_settings.reset();
}

void TestConnections::startup_loadsRememberedPortIntoPortAndSelector() {
    QVERIFY(SettingsStore::writeString(kPortKey, QStringLiteral("Port"), QStringLiteral("COM7"), true));
    StandInWindow w;
    w.start();
    QCOMPARE(w.MainComPort->PortName(), QStringLiteral("COM7"));
    QCOMPARE(w.ComportPortCmb->currentText(), QStringLiteral("COM7"));
    QCOMPARE(w.ComportPortCmb->findText(QStringLiteral("COM40")), -1); // the default before loading is gone
    QCOMPARE(w.ComportBaudRateCmb->currentText(), QStringLiteral("9600"));
    QCOMPARE(w.ComportDataBitsCmb->currentText(), QStringLiteral("8"));
    QCOMPARE(w.ConnectedLab->text(), QString()); // nothing shown before the first connect
}

void TestConnections::startup_withoutRememberedPortKeepsDefault() {
    StandInWindow w;
    w.start();
    QVERIFY(!TConnections::LoadPortSetting(*w.MainComPort, TConnections::kPortSettingName));
    QCOMPARE(w.MainComPort->PortName(), QStringLiteral("COM40"));
    // Starting and leaving without a port change writes nothing.
    QVERIFY(!SettingsStore::keyExists(kPortKey));
}

void TestConnections::startup_locksDirectModeAndCaptionNamesPort() {
    StandInWindow w;
    w.start();
    QCOMPARE(w.links->LinkMode(), int(TConnections::Direct));
    QCOMPARE(w.comm->LinkMode, TLinkMode::Serial);
    QVERIFY(!w.DeviceConnectionModesCmb->isEnabled());
    QCOMPARE(w.DeviceConnectionModesCmb->itemText(0), msg("Direct") + QStringLiteral("  COM40"));
    w.links->UpdateLinkCaption(QStringLiteral("Link"));
    QCOMPARE(w.DeviceConnectionModesCmb->itemText(0), msg("Direct") + QStringLiteral(" Link COM40"));
    QCOMPARE(w.ComportNameEdt->text(), QStringLiteral("Link"));
}

void TestConnections::loadPortSetting_data() {
    QTest::addColumn<bool>("keyExists");
    QTest::addColumn<QString>("stored"); // null: no value "Port" under the key
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QString>("portAfter");
    QTest::newRow("no key") << false << QString() << false << "COM40";
    QTest::newRow("remembered port") << true << "COM7" << true << "COM7";
    QTest::newRow("key without the value") << true << QString() << true << "COM40";
    QTest::newRow("empty value names no port") << true << "" << true << "COM40";
}

void TestConnections::loadPortSetting() {
    QFETCH(bool, keyExists);
    QFETCH(QString, stored);
    QFETCH(bool, opened);
    QFETCH(QString, portAfter);
    if (keyExists)
        QVERIFY(SettingsStore::writeString(kPortKey, QStringLiteral("Other"), QStringLiteral("x"), true));
    if (!stored.isNull())
        QVERIFY(SettingsStore::writeString(kPortKey, QStringLiteral("Port"), stored, true));
    TComPort port;
    QCOMPARE(TConnections::LoadPortSetting(port, TConnections::kPortSettingName), opened);
    QCOMPARE(port.PortName(), portAfter);
}

void TestConnections::savePortSetting_createsKeyAndFailsQuietly() {
    TComPort port;
    port.SetPortName(QStringLiteral("COM9"));
    QVERIFY(!SettingsStore::keyExists(kPortKey));
    QVERIFY(TConnections::SavePortSetting(port, TConnections::kPortSettingName));
    QCOMPARE(SettingsStore::readString(kPortKey, QStringLiteral("Port")).value_or(QString()),
             QStringLiteral("COM9"));

    // A store that cannot be written: false, nothing shown.
    QTemporaryFile file;
    QVERIFY(file.open());
    SettingsStore::setFolder(file.fileName() + QStringLiteral("/below-a-file"));
    QVERIFY(!TConnections::SavePortSetting(port, TConnections::kPortSettingName));
    QVERIFY(!TConnections::LoadPortSetting(port, TConnections::kPortSettingName));
    QCOMPARE(port.PortName(), QStringLiteral("COM9"));
    QVERIFY(m_prompts->shown.isEmpty());
    SettingsStore::setFolder(m_settings->path());
}

void TestConnections::connectAndDisconnect_updateControlsAndQueryStatus() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    StandInWindow w;
    w.startOn(dev.path());

    w.ConnectDisconnectBtn->click();
    QVERIFY(w.links->Connected());
    QVERIFY(w.MainComPort->IsOpen());
    QCOMPARE(w.ConnectDisconnectBtn->text(), msg("Disconnect"));
    QCOMPARE(w.ConnectedLab->text(), msg("Connected"));
    QVERIFY(w.StatusBtn->isEnabled() && w.ReadBtn->isEnabled() && w.RestoreBtn->isEnabled());
    QVERIFY(!w.WriteBtn->isEnabled()); // nothing read yet
    QCOMPARE(w.statusQueries, 1);
    QCOMPARE(w.reads, 0);
    QCOMPARE(dev.emulator.requestCommands(), std::vector<std::string>{"F0"});
    QCOMPARE(w.delivered.size(), std::size_t(1));
    QCOMPARE(w.delivered[0].Command, std::string("F1"));
    QVERIFY(w.accessLevelRuns > 0);

    w.ConnectDisconnectBtn->click();
    QVERIFY(!w.links->Connected());
    QVERIFY(!w.MainComPort->IsOpen());
    QCOMPARE(w.ConnectDisconnectBtn->text(), msg("Connect"));
    QCOMPARE(w.ConnectedLab->text(), msg("Disconnected"));
    QVERIFY(!w.StatusBtn->isEnabled() && !w.ReadBtn->isEnabled() && !w.WriteBtn->isEnabled() &&
            !w.RestoreBtn->isEnabled());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TestConnections::connect_withReadAfterConnectReadsToo() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    StandInWindow w;
    w.startOn(dev.path());
    w.ReadAfterConnectChk->setChecked(true);
    w.settingsRead = true;
    QVERIFY(w.links->OpenSerialLink());
    QCOMPARE(w.statusQueries, 1);
    QCOMPARE(w.reads, 1);
    QCOMPARE(dev.emulator.requestCommands().front(), std::string("F0"));
    QCOMPARE(dev.emulator.requestCommands().at(1), std::string("F2"));
    QVERIFY(w.WriteBtn->isEnabled());
    QVERIFY(m_prompts->shown.isEmpty());
}

void TestConnections::connect_abortToStatusQuerySkipsReadAfterConnect() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    StandInWindow w;
    w.startOn(dev.path());
    w.ReadAfterConnectChk->setChecked(true);
    dev.emulator.injectFault(EmulatorFault::Abort, 1);
    w.ConnectDisconnectBtn->click();
    QCOMPARE(w.statusQueries, 1);
    QCOMPARE(w.reads, 0); // the link is gone, ReadBtn with it
    QCOMPARE(dev.emulator.requestCommands(), std::vector<std::string>{"F0"});
    QVERIFY(!w.links->Connected());
    QVERIFY(!w.MainComPort->IsOpen());
    QCOMPARE(w.ConnectDisconnectBtn->text(), msg("Connect"));
    QCOMPARE(w.ConnectedLab->text(), msg("Disconnected"));
    QTRY_COMPARE(m_prompts->texts(), QStringList{msg("AbortReceived")});
}

void TestConnections::openFailure_showsOneMessageAndStaysDisconnected() {
    StandInWindow w;
    w.startOn(QStringLiteral("/nonexistent/ttyNowhere"));
    m_prompts->shown.clear();
    const QString caption = w.ConnectDisconnectBtn->text();
    const QString label = w.ConnectedLab->text();

    w.ConnectDisconnectBtn->click();
    QCOMPARE(m_prompts->texts(), QStringList{msg("ErrorOpenComport")});
    QVERIFY(!w.links->Connected());
    QCOMPARE(w.ConnectDisconnectBtn->text(), caption);
    QCOMPARE(w.ConnectedLab->text(), label);
    QCOMPARE(w.statusQueries, 0);
    QVERIFY(!w.ReadBtn->isEnabled());
}

void TestConnections::portChangeWhileConnected_reopensQueriesStatusAndRemembers() {
    PtyDevice first;
    PtyDevice second;
    REQUIRE_PTY(first);
    REQUIRE_PTY(second);
    StandInWindow w;
    QVERIFY(w.connectOn(first.path()));
    QCOMPARE(first.emulator.requestCommands().size(), std::size_t(1));

    w.choosePort(second.path());
    QVERIFY(w.links->Connected());
    QVERIFY(w.MainComPort->IsOpen());
    QCOMPARE(w.MainComPort->PortName(), second.path());
    QCOMPARE(w.statusQueries, 2);
    QCOMPARE(second.emulator.requestCommands(), std::vector<std::string>{"F0"});
    QCOMPARE(first.emulator.requestCommands().size(), std::size_t(1)); // the old port is left alone
    QCOMPARE(SettingsStore::readString(kPortKey, QStringLiteral("Port")).value_or(QString()), second.path());
    QCOMPARE(w.ConnectedLab->text(), msg("Connected"));
    QVERIFY(m_prompts->shown.isEmpty());
}

void TestConnections::portChangeWhileDisconnected_savesAndStaysClosed() {
    StandInWindow w;
    w.startOn(kDemoPortName);
    QVERIFY(!w.MainComPort->IsOpen());
    QVERIFY(!w.links->Connected());
    QCOMPARE(w.ConnectedLab->text(), msg("Disconnected"));
    QCOMPARE(w.statusQueries, 0);
    QCOMPARE(SettingsStore::readString(kPortKey, QStringLiteral("Port")).value_or(QString()), kDemoPortName);
    QCOMPARE(w.DeviceConnectionModesCmb->itemText(0), msg("Direct") + QStringLiteral("  ") + kDemoPortName);

    // The next start opens the remembered port.
    StandInWindow next;
    next.start();
    QCOMPARE(next.MainComPort->PortName(), kDemoPortName);
    QVERIFY(next.links->OpenSerialLink());
    QCOMPARE(next.delivered.size(), std::size_t(1));
}

void TestConnections::abortBetweenOperations_closesLinkThenShowsMessageOnce() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    StandInWindow w;
    QVERIFY(w.connectOn(dev.path()));
    int shownWhenClosed = -1;
    w.onAccessLevel = [&] {
        if (!w.links->Connected())
            shownWhenClosed = int(m_prompts->shown.size());
    };

    dev.server->PushUnsolicited(DeviceEmulator::BuildReply("ABORT"));
    QTRY_VERIFY_WITH_TIMEOUT(!w.links->Connected(), 2000);
    QVERIFY(!w.MainComPort->IsOpen());
    QCOMPARE(w.ConnectDisconnectBtn->text(), msg("Connect"));
    QCOMPARE(shownWhenClosed, 0); // the text waits for the event loop
    QTRY_COMPARE(m_prompts->texts(), QStringList{msg("AbortReceived")});
    QTest::qWait(50);
    QCOMPARE(m_prompts->shown.size(), 1);
}

void TestConnections::abortDuringRead_closesLinkAndShowsMessageOnce() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    StandInWindow w;
    QVERIFY(w.connectOn(dev.path()));
    dev.emulator.injectFault(EmulatorFault::Abort, 2); // the second packet of the read

    QVERIFY(!w.comm->ReadSettings(DeviceEmulator::kDefaultAccessCode, true, false));
    QCOMPARE(w.comm->StatusKey, std::string("ErrorAbort"));
    QCOMPARE(w.comm->State, TCommState::Idle);
    QVERIFY(!w.links->Connected());
    QVERIFY(!w.MainComPort->IsOpen());
    QTRY_COMPARE(m_prompts->shown.size(), 2);
    QCOMPARE(m_prompts->texts().count(msg("AbortReceived")), 1);
    QCOMPARE(m_prompts->texts().at(1), msg("ErrorReceivingPackets"));
}

void TestConnections::splitReply_completesTheRead() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    dev.server->SetSplitGap(50);
    StandInWindow w;
    QVERIFY(w.connectOn(dev.path()));
    w.delivered.clear();
    dev.emulator.injectFault(EmulatorFault::Split, 1);
    dev.emulator.injectFault(EmulatorFault::Split, 3);

    QVERIFY(w.comm->ReadSettings(DeviceEmulator::kDefaultAccessCode, true, false));
    QVERIFY(w.delivered.size() > 2);
    QCOMPARE(w.delivered.front().Command, std::string("F3"));
    QVERIFY(m_prompts->shown.isEmpty());
}

void TestConnections::unplugDuringRead_endsExchangeAndClosesLink() {
    PtyDevice dev;
    REQUIRE_PTY(dev);
    StandInWindow w;
    QVERIFY(w.connectOn(dev.path()));
    dev.emulator.injectFault(EmulatorFault::Delay, 2, 5000); // the second packet never comes in time
    PacketTimeout = 4000;
    QTimer::singleShot(150, dev.server.get(), [&] { dev.server->Unplug(); });

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!w.comm->ReadSettings(DeviceEmulator::kDefaultAccessCode, true, false));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(w.comm->State, TCommState::Idle);
    QCOMPARE(w.comm->StatusKey, std::string("NoConnectionToObject"));
    QVERIFY(!w.links->Connected());
    QVERIFY(!w.MainComPort->IsOpen());
    QCOMPARE(w.ConnectedLab->text(), msg("Disconnected"));
    QCOMPARE(w.ConnectDisconnectBtn->text(), msg("Connect"));
    QTRY_VERIFY(m_prompts->texts().contains(msg("PortLost")));
    QCOMPARE(m_prompts->texts().count(msg("PortLost")), 1);
}

void TestConnections::deferredMessages_areShownLaterInPostingOrder() {
    StandInWindow w;
    w.start();
    w.links->PostMessageText(QStringLiteral("first"));
    w.links->PostMessageText(QStringLiteral("second"));
    QVERIFY(m_prompts->shown.isEmpty());
    QTRY_COMPARE(m_prompts->texts(), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    QCOMPARE(m_prompts->shown.at(0).kind, QStringLiteral("message"));
}

void TestConnections::refreshPortList_keepsConfiguredPortNamed() {
    StandInWindow w;
    w.start();
    w.MainComPort->SetPortName(QStringLiteral("COM99"));
    w.links->RefreshPortList();
    QCOMPARE(w.ComportPortCmb->currentText(), QStringLiteral("COM99"));
    QVERIFY(w.ComportPortCmb->findText(kDemoPortName) >= 0);
    QVERIFY(w.links->PortWatchTimer()->isActive());
    QCOMPARE(w.links->PortWatchTimer()->interval(), 1000);
}

void TestConnections::hotPlug_refreshesListAndKeepsConfiguredPortNamed() {
    QList<TPortInfo> present;
    const auto port = [](const char* name) {
        TPortInfo info;
        info.Name = QLatin1String(name);
        return info;
    };
    present = {port("COM1"), port("COM3")};
    int walks = 0;
    TComPort::SetPortEnumerator([&] {
        ++walks;
        return present;
    });
    QVERIFY(SettingsStore::writeString(kPortKey, QStringLiteral("Port"), QStringLiteral("COM3"), true));
    StandInWindow w;
    w.start();
    QCOMPARE(walks, 1); // the list and the set the check compares against come from one walk
    w.links->PortWatchTimer()->setInterval(10);
    const auto items = [&] {
        QStringList out;
        for (int i = 0; i < w.ComportPortCmb->count(); ++i)
            out << w.ComportPortCmb->itemText(i);
        return out;
    };
    QCOMPARE(items(), (QStringList{"COM1", "COM3", kDemoPortName}));

    // An adapter is plugged in: it appears, the selection stays.
    present = {port("COM1"), port("COM3"), port("COM10")};
    QTRY_COMPARE(items(), (QStringList{"COM1", "COM3", "COM10", kDemoPortName}));
    QCOMPARE(w.ComportPortCmb->currentText(), QStringLiteral("COM3"));

    // The adapter in use is removed: the selector still names it.
    present = {port("COM1"), port("COM10")};
    QTRY_COMPARE(items(), (QStringList{"COM1", "COM10", kDemoPortName, "COM3"}));
    QCOMPARE(w.ComportPortCmb->currentText(), QStringLiteral("COM3"));
    QCOMPARE(w.MainComPort->PortName(), QStringLiteral("COM3"));
    QVERIFY(m_prompts->shown.isEmpty());
}

void TestConnections::applyTakesAllSixSelectors_cancelShowsSettingsInUse() {
    StandInWindow w;
    w.start();
    const auto choose = [](QComboBox* combo, const char* text) {
        const int index = combo->findText(QLatin1String(text));
        QVERIFY(index >= 0);
        combo->setCurrentIndex(index);
    };
    choose(w.ComportBaudRateCmb, "19200");
    choose(w.ComportDataBitsCmb, "7");
    choose(w.ComportStopBitsCmb, "2");
    choose(w.ComportParityCmb, "Even");
    choose(w.ComportFlowControlCmb, "Hardware");
    w.ComportPortCmb->addItem(QStringLiteral("COM5"));
    w.ComportPortCmb->setCurrentIndex(w.ComportPortCmb->count() - 1);
    w.links->ApplyBtnClick();
    QCOMPARE(w.MainComPort->PortName(), QStringLiteral("COM5"));
    QCOMPARE(w.MainComPort->BaudRate(), 19200);
    QCOMPARE(w.MainComPort->DataBits(), QSerialPort::Data7);
    QCOMPARE(w.MainComPort->StopBits(), QSerialPort::TwoStop);
    QCOMPARE(w.MainComPort->Parity(), QSerialPort::EvenParity);
    QCOMPARE(w.MainComPort->FlowControl(), QSerialPort::HardwareControl);
    QVERIFY(m_prompts->shown.isEmpty()); // closing a closed link is no failure

    // Changed on the page but not applied: showing the page again shows what is in use.
    choose(w.ComportBaudRateCmb, "115200");
    choose(w.ComportParityCmb, "None");
    w.ComportPortCmb->setCurrentIndex(0);
    w.ComportNameEdt->setText(QStringLiteral("typed"));
    w.links->CancelBtnClick();
    QCOMPARE(w.ComportBaudRateCmb->currentText(), QStringLiteral("19200"));
    QCOMPARE(w.ComportParityCmb->currentText(), QStringLiteral("Even"));
    QCOMPARE(w.ComportPortCmb->currentText(), QStringLiteral("COM5"));
    QCOMPARE(w.ComportNameEdt->text(), QString());
    QCOMPARE(w.MainComPort->BaudRate(), 19200);
}

void TestConnections::formClose_whileConnectedClosesPort() {
    StandInWindow w;
    QVERIFY(w.connectOn(kDemoPortName));
    QVERIFY(w.MainComPort->IsOpen());
    w.links->FormClose();
    QVERIFY(!w.MainComPort->IsOpen());
    QVERIFY(!w.links->Connected());
}

void TestConnections::remoteMode_connectFailureNamesReason() {
    StandInWindow w;
    w.start();
    w.links->LockLinkMode(false);
    w.links->SetLinkMode(TConnections::Gprs);
    QCOMPARE(w.comm->LinkMode, TLinkMode::Tcp);
    w.comm->RemoteAttempts = 1;
    PacketTimeout = 50;

    w.ConnectDisconnectBtn->click();
    QVERIFY(!w.links->Connected());
    QCOMPARE(w.waitWindows, 1);
    QCOMPARE(m_prompts->texts(),
             QStringList{msg("CannotConnectToObject") + QStringLiteral(": ") + msg("ErrorNoResponse")});
    QVERIFY(!w.links->tmrTCPTimeout()->isActive());
}

void TestConnections::remoteMode_connectsAndIdleTimeoutRestarts() {
    StandInWindow w;
    EmulatorTransport remote;
    QVERIFY(w.connectRemote(remote));
    QVERIFY(!w.RestoreBtn->isEnabled()); // restore is for the direct link only
    QVERIFY(w.links->tmrTCPTimeout()->isActive());
    QCOMPARE(w.links->tmrTCPTimeout()->interval(), 360000);

    w.links->tmrTCPTimeoutTimer();
    QVERIFY(!w.links->Connected());
    QVERIFY(!w.links->tmrTCPTimeout()->isActive());
    QCOMPARE(remote.emulator().restarts(), 1);
    QCOMPARE(m_prompts->texts(), QStringList{msg("TCPIdleTimeout")});

    // In the direct mode the idle timer never runs.
    w.links->SetLinkMode(TConnections::Direct);
    w.links->SetIdleTimer(true);
    QVERIFY(!w.links->tmrTCPTimeout()->isActive());
}

void TestConnections::remoteMode_abortDisconnectsWithoutRestart_failedRestartNamesReason() {
    StandInWindow w;
    EmulatorTransport remote;
    QVERIFY(w.connectRemote(remote));
    const int waits = w.waitWindows;

    // "ABORT": disconnected silently, no wait window, no restart; the text follows.
    remote.pushUnsolicited(DeviceEmulator::BuildReply("ABORT"));
    QTRY_VERIFY_WITH_TIMEOUT(!w.links->Connected(), 2000);
    QVERIFY(!w.links->tmrTCPTimeout()->isActive());
    QCOMPARE(w.waitWindows, waits);
    QCOMPARE(remote.emulator().restarts(), 0);
    QTRY_COMPARE(m_prompts->texts(), QStringList{msg("AbortReceived")});
    m_prompts->shown.clear();

    // A restart the device does not answer: already disconnected, then the reason.
    w.links->ConnectRemoteLink();
    QVERIFY(w.links->Connected());
    w.comm->RemoteAttempts = 1;
    PacketTimeout = 50;
    remote.emulator().injectFault(EmulatorFault::Silent, 1);
    w.onAccessLevel = [&] { QVERIFY(m_prompts->shown.isEmpty()); };
    w.ConnectDisconnectBtn->click();
    QVERIFY(!w.links->Connected());
    QCOMPARE(w.waitWindows, waits + 2);
    QCOMPARE(m_prompts->texts(),
             QStringList{msg("CannotRestartObject") + QStringLiteral(": ") + msg("ErrorNoResponse")});
}

void TestConnections::resolveHost_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("resolved");
    QTest::addColumn<QString>("expected");
    QTest::newRow("dotted address as it is") << "192.168.1.20" << QStringList{"10.0.0.1"} << "192.168.1.20";
    QTest::newRow("unknown host") << "no.such.host" << QStringList{} << "0";
    QTest::newRow("first IPv4 address")
        << "cloud.example" << QStringList{"2001:db8::1", "203.0.113.5", "203.0.113.6"} << "203.0.113.5";
    QTest::newRow("IPv6 only") << "v6.example" << QStringList{"2001:db8::1"} << "0";
    QTest::newRow("empty name") << "" << QStringList{"10.0.0.1"} << "0";
}

void TestConnections::resolveHost() {
    QFETCH(QString, name);
    QFETCH(QStringList, resolved);
    QFETCH(QString, expected);
    int lookups = 0;
    SetHostResolver([&](const QString&) {
        ++lookups;
        QList<QHostAddress> out;
        for (const QString& a : resolved)
            out.append(QHostAddress(a));
        return out;
    });
    QCOMPARE(TConnections::ResolveHost(name), expected);
    QVERIFY(lookups <= 1);
}

#include "tst_connections.moc"

QObject* NewTestConnections() {
    return new TestConnections;
}
