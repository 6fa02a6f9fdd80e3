// The main window shell: start-up state, preferences, section tree, function
// keys, the connection to the demo device, deferred messages, the debug parse
// path and the language switch.

#include "ComPort.h"
#include "Connections.h"
#include "DeviceEmulator.h"
#include "EmulatorTransport.h"
#include "IdentityDispatcher.h"
#include "Main.h"
#include "N_Common.h"
#include "N_Language.h"
#include "N_WaitForm.h"
#include "PageFirmware.h"
#include "PageMain.h"
#include "PageSettings.h"
#include "PageTextSms.h"
#include "ScriptedPrompts.h"
#include "SectionTree.h"
#include "SettingsStore.h"
#include "StatusPanel.h"
#include "TempSettings.h"
#include "TextCodec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

const QString kKey = QStringLiteral("Software\\Nconfig");

QStringList TreeKeys(const QTreeWidget* tree) {
    QStringList keys;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        keys << SectionKey(tree->topLevelItem(i));
    return keys;
}

QTreeWidgetItem* NodeOf(const QTreeWidget* tree, const QString& key) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (SectionKey(tree->topLevelItem(i)) == key)
            return tree->topLevelItem(i);
    return nullptr;
}

// The window's port opens an emulator of the test's choosing as its demo device.
struct DemoLink {
    DeviceEmulator device{EmulatorFamily::N20D};

    void Attach(TMainFormFrm& window) {
        window.MainComPort()->SetDemoFactory(
            [this] { return std::unique_ptr<ITransport>(new EmulatorTransport(&device)); });
        window.MainComPort()->SetPortName(kDemoPortName);
    }
};

// Clicks the connect button as the user does and waits until the exchange that
// follows is over (no wait window shown).
bool ClickConnectAndWait(TMainFormFrm& window) {
    window.ConnectDisconnectBtn->click();
    return QTest::qWaitFor([] { return WaitWindow() == nullptr; });
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_settings = std::make_unique<TempSettings>();
        m_prompts = std::make_unique<ScriptedPrompts>();
    }
    void cleanup() {
        m_prompts.reset();
        m_settings.reset();
    }

    void firstStart_showsFiveSectionsMainSelectedAndNoLinkCommands() {
        TMainFormFrm window;
        QCOMPARE(TreeKeys(window.MainTreeView),
                 QStringList({"MainTvi", "GPRS&GSMreportingTvi", "TextSMSreportingTvi", "SettingsTvi",
                              "FirmwareTvi"}));
        QCOMPARE(SectionKey(window.MainTreeView->currentItem()), QStringLiteral("MainTvi"));
        QCOMPARE(window.MainPageControl->currentWidget(), static_cast<QWidget*>(window.MainTbs));
        QVERIFY(window.ConnectedLab->text().isEmpty());
        QVERIFY(!window.ReadBtn->isEnabled());
        QVERIFY(!window.WriteBtn->isEnabled());
        QVERIFY(!window.OpenLastBtn->isEnabled());
        QVERIFY(!window.StatusBtn->isEnabled());
        QVERIFY(!window.FirmwareTbs->StartBtn()->isEnabled());
        QVERIFY(!window.MainTbs->RestoreBtn()->isEnabled());
        QVERIFY(window.ConnectDisconnectBtn->isEnabled());
        QVERIFY(window.OpenBtn->isEnabled());
        QVERIFY(window.SaveBtn->isEnabled());
        QVERIFY(!window.StatusBtn->isVisibleTo(&window));
        QVERIFY(!window.DebugPanel->isVisibleTo(&window));
        QCOMPARE(window.Login().AccessCode(), std::string("817260"));
        QVERIFY(!window.Login().Remember());
        QCOMPARE(window.MainComPort()->PortName(), QStringLiteral("COM40"));
        QCOMPARE(window.FirmwareTbs->PacketTimeoutSpn()->value(), PacketTimeout);
        QVERIFY(DataCommunication() == window.DataComm());
        QCOMPARE(window.TextSMSreportingTbs->SendSMSTypeCmb()->count(), 2);
        QCOMPARE(window.windowTitle(), Lookup(QStringLiteral("MainForm")));
    }

    void window_hasFixedClientAreaWithoutMaximise() {
        TMainFormFrm window;
        QCOMPARE(window.centralWidget()->size(), QSize(847, 591));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(window.ButtonsPnl->height(), 33);
        QCOMPARE(window.MainTreeView->width(), 193);
        QCOMPARE(window.MainPageControl->count(), 12);
    }

    void exitWithoutKey_writesNothing() {
        {
            TMainFormFrm window;
            window.MainTbs->SaveAccessCodeChk()->click();
            window.MainTbs->ReadAfterConnectChk()->click();
            QVERIFY(window.Login().Remember());
        }
        QVERIFY(!SettingsStore::keyExists(kKey));
    }

    void exitWithKey_storesRememberedCodeOnlyWhenRemembered_data() {
        QTest::addColumn<bool>("remember");
        QTest::addColumn<QString>("storedCode");
        QTest::addColumn<std::string>("codeAtNextStart");
        QTest::newRow("remember on") << true << QStringLiteral("432100") << std::string("432100");
        QTest::newRow("remember off") << false << QStringLiteral("111100") << std::string("817260");
    }
    void exitWithKey_storesRememberedCodeOnlyWhenRemembered() {
        QFETCH(bool, remember);
        QFETCH(QString, storedCode);
        QFETCH(std::string, codeAtNextStart);
        QVERIFY(
            SettingsStore::writeString(kKey, QStringLiteral("AccessCode"), QStringLiteral("111100"), true));
        {
            TMainFormFrm window;
            if (remember != window.MainTbs->SaveAccessCodeChk()->isChecked())
                window.MainTbs->SaveAccessCodeChk()->click();
            window.Login().SetAccessCode("432100");
            window.MainTbs->ReadAfterConnectChk()->setChecked(true);
        }
        QCOMPARE(SettingsStore::readBool(kKey, QStringLiteral("Remember")), std::optional<bool>(remember));
        QCOMPARE(SettingsStore::readBool(kKey, QStringLiteral("ReadAfterConnect")),
                 std::optional<bool>(true));
        QCOMPARE(SettingsStore::readString(kKey, QStringLiteral("AccessCode")),
                 std::optional<QString>(storedCode));

        TMainFormFrm next;
        QCOMPARE(next.Login().Remember(), remember);
        QCOMPARE(next.MainTbs->SaveAccessCodeChk()->isChecked(), remember);
        QVERIFY(next.MainTbs->ReadAfterConnectChk()->isChecked());
        QCOMPARE(next.Login().AccessCode(), codeAtNextStart);
    }

    void rebuildTree_followsAccessLevelModelAndTextSmsRight_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("textSmsRight");
        QTest::addColumn<QStringList>("keys");
        const QStringList all{"MainTvi", "GPRS&GSMreportingTvi", "TextSMSreportingTvi", "SettingsTvi",
                              "FirmwareTvi"};
        QTest::newRow("N20D user without right")
            << "Dev: N20D" << false << false << QStringList({"MainTvi", "SettingsTvi", "FirmwareTvi"});
        QTest::newRow("N20D user with right")
            << "Dev: N20D" << false << true
            << QStringList({"MainTvi", "TextSMSreportingTvi", "SettingsTvi", "FirmwareTvi"});
        QTest::newRow("N20D full") << "Dev: N20D" << true << false << all;
        QTest::newRow("N3 user") << "Dev: N3" << false << false
                                 << QStringList(
                                        {"MainTvi", "TextSMSreportingTvi", "SettingsTvi", "FirmwareTvi"});
    }
    void rebuildTree_followsAccessLevelModelAndTextSmsRight() {
        QFETCH(QString, model);
        QFETCH(bool, full);
        QFETCH(bool, textSmsRight);
        QFETCH(QStringList, keys);
        TMainFormFrm window;
        window.StatusDevPanel->setText(model);
        window.ComportTbs->TextSMSReportingChk()->setChecked(textSmsRight);
        window.Login().SetAccessLevel(full);
        QCOMPARE(TreeKeys(window.MainTreeView), keys);
        for (int i = 0; i < window.MainTreeView->topLevelItemCount(); ++i)
            QCOMPARE(window.MainTreeView->topLevelItem(i)->text(0), Lookup(keys.at(i)));
    }

    void accessLevelRule_givesUserAccessOnlyForN20FamilyWithoutInstallerCode_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<std::string>("code");
        QTest::addColumn<bool>("full");
        QTest::newRow("N20D installer code") << "Dev: N20D" << std::string("123400") << true;
        QTest::newRow("N20D other code") << "Dev: N20D" << std::string("817260") << false;
        QTest::newRow("NF20 other code") << "Dev: NF20" << std::string("817260") << false;
        QTest::newRow("N3 other code") << "Dev: N3" << std::string("817260") << true;
        QTest::newRow("no device") << "" << std::string("817260") << true;
    }
    void accessLevelRule_givesUserAccessOnlyForN20FamilyWithoutInstallerCode() {
        QFETCH(QString, model);
        QFETCH(std::string, code);
        QFETCH(bool, full);
        TMainFormFrm window;
        window.StatusDevPanel->setText(model);
        window.MainTbs->AccessCode2Edt()->setText(QStringLiteral("1234"));
        window.Login().SetAccessCode(code);
        window.ApplyAccessLevel();
        QCOMPARE(window.Login().FullAccess(), full);
        QCOMPARE(NodeOf(window.MainTreeView, QStringLiteral("GPRS&GSMreportingTvi")) != nullptr, full);
    }

    void rebuildTree_keepsSurvivingSectionAndFallsBackToMain() {
        TMainFormFrm window;
        window.MainTreeView->setCurrentItem(
            NodeOf(window.MainTreeView, QStringLiteral("TextSMSreportingTvi")));
        QCOMPARE(window.MainPageControl->currentWidget(), static_cast<QWidget*>(window.TextSMSreportingTbs));

        window.StatusDevPanel->setText(QStringLiteral("Dev: N20D"));
        window.Login().SetAccessLevel(false);
        QCOMPARE(SectionKey(window.MainTreeView->currentItem()), QStringLiteral("MainTvi"));
        QCOMPARE(window.MainPageControl->currentWidget(), static_cast<QWidget*>(window.MainTbs));

        window.MainTreeView->setCurrentItem(NodeOf(window.MainTreeView, QStringLiteral("FirmwareTvi")));
        window.Login().SetAccessLevel(true);
        QCOMPARE(SectionKey(window.MainTreeView->currentItem()), QStringLiteral("FirmwareTvi"));
        QCOMPARE(window.MainPageControl->currentWidget(), static_cast<QWidget*>(window.FirmwareTbs));
    }

    void sectionKeys_showTheirPages_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("page");
        QTest::newRow("main") << "MainTvi"
                              << "MainTbs";
        QTest::newRow("reporting") << "GPRS&GSMreportingTvi"
                                   << "GPRSGSMReportingTbs";
        QTest::newRow("text sms") << "TextSMSreportingTvi"
                                  << "TextSMSreportingTbs";
        QTest::newRow("settings") << "SettingsTvi"
                                  << "ComportTbs";
        QTest::newRow("firmware") << "FirmwareTvi"
                                  << "FirmwareTbs";
        QTest::newRow("users") << "Users&ZonesTvi"
                               << "UsersZonesTbs";
        QTest::newRow("input output") << "InputOutputTvi"
                                      << "InputOutputTbs";
        QTest::newRow("unknown") << "SomethingTvi"
                                 << "EmptyTbs";
        QTest::newRow("group node") << "ReportingTvi"
                                    << "";
    }
    void sectionKeys_showTheirPages() {
        QFETCH(QString, key);
        QFETCH(QString, page);
        QCOMPARE(PageForSectionKey(key), page);
        TMainFormFrm window;
        auto* node = new QTreeWidgetItem(window.MainTreeView);
        node->setData(0, Qt::UserRole, key);
        window.MainTreeView->setCurrentItem(node);
        const QString shown = window.MainPageControl->currentWidget()->objectName();
        QCOMPARE(shown, page.isEmpty() ? QStringLiteral("MainTbs") : page);
    }

    void nodeWithoutPage_selectsFirstChildOrChangesNothing_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("childKey");
        QTest::addColumn<QString>("shownKey");
        QTest::addColumn<QString>("page");
        QTest::newRow("group node selects its first child") << "ReportingTvi"
                                                            << "GPRSTvi"
                                                            << "GPRSTvi"
                                                            << "GPRSTbs";
        QTest::newRow("node without key changes nothing") << ""
                                                          << ""
                                                          << ""
                                                          << "FirmwareTbs";
    }
    void nodeWithoutPage_selectsFirstChildOrChangesNothing() {
        QFETCH(QString, key);
        QFETCH(QString, childKey);
        QFETCH(QString, shownKey);
        QFETCH(QString, page);
        TMainFormFrm window;
        window.MainTreeView->setCurrentItem(NodeOf(window.MainTreeView, QStringLiteral("FirmwareTvi")));
        auto* node = new QTreeWidgetItem(window.MainTreeView);
        if (!key.isEmpty())
            node->setData(0, Qt::UserRole, key);
        if (!childKey.isEmpty())
            (new QTreeWidgetItem(node))->setData(0, Qt::UserRole, childKey);
        window.MainTreeView->setCurrentItem(node);
        QCOMPARE(SectionKey(window.MainTreeView->currentItem()), shownKey);
        QCOMPARE(window.MainPageControl->currentWidget()->objectName(), page);
        window.MainTreeViewChange(nullptr);
        QCOMPARE(window.MainPageControl->currentWidget()->objectName(), page);
    }

    void clickBelowTheNodes_keepsTheSectionHighlighted() {
        TMainFormFrm window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWidget* viewport = window.MainTreeView->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));
        QCOMPARE(SectionKey(window.MainTreeView->currentItem()), QStringLiteral("MainTvi"));
        QVERIFY(window.MainTreeView->currentItem()->isSelected());
        QCOMPARE(window.MainPageControl->currentWidget(), static_cast<QWidget*>(window.MainTbs));
    }

    void settingsSection_showsPortInUse() {
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        window.ComportTbs->ComportPortCmb()->setCurrentIndex(-1);
        window.MainTreeView->setCurrentItem(NodeOf(window.MainTreeView, QStringLiteral("SettingsTvi")));
        QCOMPARE(window.ComportTbs->ComportPortCmb()->currentText(), kDemoPortName);
    }

    void functionKeys_clickOnlyEnabledButtons_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("enabled");
        const struct {
            int key;
            const char* button;
        } keys[] = {{Qt::Key_F2, "ConnectDisconnectBtn"},
                    {Qt::Key_F8, "ConnectDisconnectBtn"},
                    {Qt::Key_F3, "OpenBtn"},
                    {Qt::Key_F4, "OpenLastBtn"},
                    {Qt::Key_F5, "SaveBtn"},
                    {Qt::Key_F6, "WriteBtn"},
                    {Qt::Key_F7, "ReadBtn"},
                    {Qt::Key_F9, "StartBtn"},
                    {Qt::Key_F11, "RestoreBtn"}};
        for (const auto& k : keys) {
            QTest::addRow("F%d %s enabled", k.key - Qt::Key_F1 + 1, k.button)
                << k.key << QString::fromLatin1(k.button) << true;
            QTest::addRow("F%d %s disabled", k.key - Qt::Key_F1 + 1, k.button)
                << k.key << QString::fromLatin1(k.button) << false;
        }
    }
    void functionKeys_clickOnlyEnabledButtons() {
        QFETCH(int, key);
        QFETCH(QString, button);
        QFETCH(bool, enabled);
        TMainFormFrm window;
        auto* target = window.findChild<QPushButton*>(button);
        QVERIFY(target);
        // Keep the real command out of it: only the click matters here.
        QObject::disconnect(target, &QPushButton::clicked, nullptr, nullptr);
        target->setEnabled(enabled);
        QSignalSpy clicks(target, &QPushButton::clicked);
        QTest::keyClick(window.MainTreeView, static_cast<Qt::Key>(key));
        QCOMPARE(clicks.count(), enabled ? 1 : 0);
    }

    void f7WhileWaitingForReply_doesNothing() {
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        QVERIFY(ClickConnectAndWait(window));
        QVERIFY(window.ReadBtn->isEnabled());
        QObject::disconnect(window.ReadBtn, &QPushButton::clicked, nullptr, nullptr);
        QSignalSpy clicks(window.ReadBtn, &QPushButton::clicked);

        PacketTimeout = 300;
        link.device.setSilent(true);
        bool sawWaitWindow = false;
        QTimer::singleShot(50, &window, [&] {
            sawWaitWindow = WaitWindow() != nullptr;
            QTest::keyClick(window.MainTreeView, Qt::Key_F7);
        });
        window.StatusBtn->click();
        PacketTimeout = kDefaultPacketTimeout;
        QVERIFY(sawWaitWindow);
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(m_prompts->texts(QStringLiteral("message")),
                 QStringList({Lookup(QStringLiteral("ErrorNoResponse"))}));
    }

    void connectingToDemoDevice_showsIdentityAndClosingClosesPortFirst() {
        DemoLink link;
        link.device.setSerial("000777");
        link.device.setImei("356938035643809");
        auto window = std::make_unique<TMainFormFrm>();
        link.Attach(*window);
        window->ConnectDisconnectBtn->click();
        QVERIFY(window->MainComPort()->IsOpen());
        QVERIFY(window->Connected());
        QTRY_VERIFY(WaitWindow() == nullptr);
        QCOMPARE(window->ConnectedLab->text(), Lookup(QStringLiteral("Connected")));
        QCOMPARE(window->StatusDevPanel->text(), QStringLiteral("Dev: N20D"));
        QCOMPARE(window->StatusSNPanel->text(), QStringLiteral("000777"));
        QCOMPARE(window->StatusVerPanel->text(), TextCodec::toQString(link.device.version()));
        QCOMPARE(window->StatusImeiPanel->text(), QStringLiteral("IMEI: 356938035643809"));
        QCOMPARE(window->DataComm()->DeviceVersionField, link.device.version());
        QVERIFY(window->ReadBtn->isEnabled());
        QVERIFY(!window->WriteBtn->isEnabled());
        QVERIFY(m_prompts->shown.isEmpty());

        QVERIFY(window->close());
        QVERIFY(!window->MainComPort()->IsOpen());
        QVERIFY(!window->Connected());
        window.reset();
        QVERIFY(DataCommunication() == nullptr);
    }

    void destroyedWhileConnected_releasesLinkWithoutDeliveries() {
        DemoLink link;
        auto window = std::make_unique<TMainFormFrm>();
        link.Attach(*window);
        QVERIFY(ClickConnectAndWait(*window));
        // A reply still on its way when the window goes.
        link.device.injectFault(EmulatorFault::Delay, 1, 30);
        window->MainComPort()->write(BuildStatusRequest());
        window.reset();
        QVERIFY(DataCommunication() == nullptr);
        QTest::qWait(80);
    }

    void writeButton_needsConnectionAndSuccessfulRead() {
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        window.Login().SetSettingsRead(true);
        QVERIFY(!window.WriteBtn->isEnabled());
        QVERIFY(ClickConnectAndWait(window));
        QVERIFY(window.WriteBtn->isEnabled());
        window.ConnectDisconnectBtn->click();
        QVERIFY(!window.WriteBtn->isEnabled());
        QCOMPARE(window.ConnectedLab->text(), Lookup(QStringLiteral("Disconnected")));
    }

    void abortFromDevice_closesLinkAndShowsItsMessageAfterTheExchange() {
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        QVERIFY(ClickConnectAndWait(window));
        m_prompts->shown.clear();

        link.device.injectFault(EmulatorFault::Abort, 1);
        window.StatusBtn->click();
        QVERIFY(!window.MainComPort()->IsOpen());
        QVERIFY(!window.Connected());
        QVERIFY(!window.ReadBtn->isEnabled());
        QVERIFY(
            !m_prompts->texts(QStringLiteral("message")).contains(Lookup(QStringLiteral("AbortReceived"))));
        QTRY_COMPARE(
            m_prompts->texts(QStringLiteral("message")).count(Lookup(QStringLiteral("AbortReceived"))), 1);
        QCOMPARE(m_prompts->texts(QStringLiteral("message")).last(), Lookup(QStringLiteral("AbortReceived")));
    }

    void closingDuringExchange_isRefusedUntilItEnds() {
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        window.show();
        QVERIFY(ClickConnectAndWait(window));
        link.device.injectFault(EmulatorFault::Delay, 1, 100);
        bool closedDuringExchange = true;
        QTimer::singleShot(20, &window, [&] { closedDuringExchange = window.close(); });
        QVERIFY(window.DataComm()->QueryStatus());
        QVERIFY(!closedDuringExchange);
        QVERIFY(window.MainComPort()->IsOpen());
        QVERIFY(window.close());
        QVERIFY(!window.MainComPort()->IsOpen());
    }

    void firmwareTransfer_locksCommandsAndFunctionKeys() {
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        QVERIFY(ClickConnectAndWait(window));
        QObject::disconnect(window.SaveBtn, &QPushButton::clicked, nullptr, nullptr);
        QSignalSpy saves(window.SaveBtn, &QPushButton::clicked);

        window.SetFirmwareTransferBusy(true);
        for (QWidget* control : {static_cast<QWidget*>(window.ConnectDisconnectBtn),
                                 static_cast<QWidget*>(window.ReadBtn), static_cast<QWidget*>(window.SaveBtn),
                                 static_cast<QWidget*>(window.FirmwareTbs->BrowseFirmFileBtn()),
                                 static_cast<QWidget*>(window.ComportTbs)})
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        QTest::keyClick(window.MainTreeView, Qt::Key_F5);
        QCOMPARE(saves.count(), 0);

        window.SetFirmwareTransferBusy(false);
        QVERIFY(window.ReadBtn->isEnabled());
        QVERIFY(window.WriteBtn->isEnabled());
        QVERIFY(window.FirmwareTbs->StartBtn()->isEnabled());
        QVERIFY(!window.OpenLastBtn->isEnabled()); // no settings file was ever opened
        QTest::keyClick(window.MainTreeView, Qt::Key_F5);
        QCOMPARE(saves.count(), 1);
    }

    void firmwareTransferEndingDisconnected_leavesLinkCommandsOff() {
        TMainFormFrm window;
        window.SetFirmwareTransferBusy(true);
        window.SetFirmwareTransferBusy(false);
        QVERIFY(window.ConnectDisconnectBtn->isEnabled());
        QVERIFY(window.ComportTbs->isEnabled());
        QVERIFY(!window.ReadBtn->isEnabled());
        QVERIFY(!window.WriteBtn->isEnabled());
        QVERIFY(!window.MainTbs->RestoreBtn()->isEnabled());
    }

    void statusReplyWithoutImei_showsNotAvailable() {
        TMainFormFrm window;
        window.StatusImeiPanel->setText(QStringLiteral("IMEI: 1"));
        DeviceEmulator device;
        device.setSendsImei(false);
        window.Edit1->setText(QString::fromStdString(BytesToHex(device.StatusReply())));
        window.ParseBtn->click();
        QCOMPARE(window.StatusImeiPanel->text(), QStringLiteral("IMEI: N/A"));
        QCOMPARE(window.StatusDevPanel->text(), QStringLiteral("Dev: N20D"));
        QCOMPARE(window.DebugMemo->toPlainText(), QStringLiteral("F1"));
    }

    void identityDispatcher_readsGroupZeroAndIgnoresOtherGroups() {
        std::string model, imei;
        TIdentityDispatcher dispatcher({[&](const std::string& t) { model = t; }, nullptr, nullptr,
                                        [&](const std::string& t) { imei = t; }, nullptr});
        TPacket group1;
        group1.Command = "F3";
        group1.Items = {{"100", "Account"}, {"000", "Dev: X"}};
        dispatcher.DispatchReply(group1);
        QVERIFY(model.empty());
        TPacket group0;
        group0.Command = "F3";
        group0.Items = {{"000", "Dev: N05"}, {"010", "FFFF"}};
        dispatcher.DispatchReply(group0);
        QCOMPARE(model, std::string("Dev: N05"));
        QVERIFY(imei.empty()); // only a status reply resets the IMEI
    }

    void debugPanel_tracesFramesOnlyWhileVisible_data() {
        QTest::addColumn<bool>("visible");
        QTest::newRow("hidden") << false;
        QTest::newRow("visible") << true;
    }
    void debugPanel_tracesFramesOnlyWhileVisible() {
        QFETCH(bool, visible);
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        window.show();
        window.DebugPanel->setVisible(visible);
        QVERIFY(ClickConnectAndWait(window));
        const QStringList lines =
            window.DebugMemo->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!visible) {
            QVERIFY(lines.isEmpty());
            return;
        }
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), QStringLiteral("Sent:"));
        QVERIFY2(QRegularExpression(QStringLiteral("^02( [0-9A-F]{2})+ $")).match(lines.at(1)).hasMatch(),
                 qPrintable(lines.at(1)));
        QCOMPARE(lines.at(2), QStringLiteral("Received:"));
        QVERIFY2(lines.at(3).startsWith(QStringLiteral("02 ")), qPrintable(lines.at(3)));
    }

    void parseOfBadHex_showsTranslatedKeyAsError() {
        TMainFormFrm window;
        window.DebugMemo->setPlainText(QStringLiteral("kept"));
        window.Edit1->setText(QStringLiteral("02ZZ"));
        window.ParseBtn->click();
        QCOMPARE(m_prompts->texts(QStringLiteral("error")),
                 QStringList({Lookup(QStringLiteral("ErrorInvalidHexNumber"))}));
        QCOMPARE(window.DebugMemo->toPlainText(), QStringLiteral("kept"));
    }

    void deferredMessages_showAfterTheExchangeInOrder() {
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        QVERIFY(ClickConnectAndWait(window));
        m_prompts->shown.clear();

        link.device.injectFault(EmulatorFault::Delay, 1, 150);
        QTimer::singleShot(20, &window, [&] {
            window.PostMessageText(QStringLiteral("first"));
            window.PostMessageText(QStringLiteral("second"));
        });
        QVERIFY(window.DataComm()->QueryStatus());
        QVERIFY(m_prompts->shown.isEmpty());
        QTRY_COMPARE(m_prompts->texts(QStringLiteral("message")), QStringList({"first", "second"}));
    }

    void languageChange_translatesWindowAgainAndKeepsSmsTypeSelection_data() {
        QTest::addColumn<bool>("connected");
        QTest::newRow("disconnected") << false;
        QTest::newRow("connected") << true;
    }
    void languageChange_translatesWindowAgainAndKeepsSmsTypeSelection() {
        QFETCH(bool, connected);
        DemoLink link;
        TMainFormFrm window;
        link.Attach(window);
        if (connected) {
            QVERIFY(ClickConnectAndWait(window));
            QVERIFY(window.Connected());
        }
        QComboBox* languages = window.ComportTbs->ChooseLanguageCmb();
        const int german = languages->findText(QStringLiteral("Deutsch"));
        QVERIFY(german >= 0);
        QComboBox* smsTypes = window.TextSMSreportingTbs->SendSMSTypeCmb();
        smsTypes->setCurrentIndex(1);
        const QString englishRead = window.ReadBtn->text();

        languages->setCurrentIndex(german);
        QCOMPARE(Translator()->CurrentLanguage(), QStringLiteral("Deutsch"));
        QCOMPARE(ReadLanguageSetting(), QStringLiteral("Deutsch"));
        QVERIFY(window.ReadBtn->text() != englishRead);
        QCOMPARE(window.ReadBtn->text(), Lookup(QStringLiteral("Read")));
        QCOMPARE(window.ConnectedLab->text(),
                 Lookup(connected ? QStringLiteral("Connected") : QStringLiteral("Disconnected")));
        QCOMPARE(window.ConnectDisconnectBtn->text(),
                 Lookup(connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect")));
        QCOMPARE(smsTypes->currentIndex(), 1);
        QCOMPARE(smsTypes->itemText(1), Lookup(QStringLiteral("All")));
        QCOMPARE(window.MainTreeView->topLevelItem(0)->text(0), Lookup(QStringLiteral("MainTvi")));

        // Back to the first language for the other tests.
        languages->setCurrentIndex(0);
        QCOMPARE(window.ReadBtn->text(), englishRead);
    }

    void everyCaptionOfTheWindow_hasTextInEveryLanguage() {
        TMainFormFrm window;
        const QStringList keys = TranslatableKeys(&window);
        QVERIFY(keys.contains(QStringLiteral("Read")));
        const QStringList languages = Translator()->LanguageNames();
        QVERIFY(languages.size() >= 2);
        for (const QString& language : languages) {
            WriteLanguageSetting(language);
            Translator()->LoadLanguage(QStringLiteral("NLanguage.lng"));
            QStringList missing;
            for (const QString& key : keys)
                if (!Translator()->HasText(key))
                    missing << key;
            QVERIFY2(missing.isEmpty(), qPrintable(language + ": " + missing.join(QLatin1Char(' '))));
        }
        WriteLanguageSetting(languages.first());
        Translator()->LoadLanguage(QStringLiteral("NLanguage.lng"));
    }

    // Not a check: with NCONFIG_SCREENSHOT_DIR set, saves a picture of every
    // section in every language there, connected to the demo device, for a
    // look by eye (run under a real display server for true fonts).
    void screenshots_whenRequested() {
        const QString folder = qEnvironmentVariable("NCONFIG_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("NCONFIG_SCREENSHOT_DIR not set");
        CreateTranslator();
        for (const QString& language : Translator()->LanguageNames()) {
            WriteLanguageSetting(language);
            Translator()->LoadLanguage(QStringLiteral("NLanguage.lng"));
            DemoLink link;
            TMainFormFrm window;
            link.Attach(window);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            for (int i = 0; i < window.MainTreeView->topLevelItemCount(); ++i) {
                window.MainTreeView->setCurrentItem(window.MainTreeView->topLevelItem(i));
                QTest::qWait(50);
                QVERIFY(window.grab().save(QStringLiteral("%1/%2-%3.png").arg(folder, language).arg(i)));
            }
            QVERIFY(ClickConnectAndWait(window));
            QTest::qWait(50);
            QVERIFY(window.grab().save(QStringLiteral("%1/%2-connected.png").arg(folder, language)));
        }
        WriteLanguageSetting(Translator()->LanguageNames().value(0));
        Translator()->LoadLanguage(QStringLiteral("NLanguage.lng"));
    }

private:
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<ScriptedPrompts> m_prompts;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
