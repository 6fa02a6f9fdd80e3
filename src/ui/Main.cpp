#include "Main.h"

#include "ComPort.h"
#include "Connections.h"
#include "DeviceIdentity.h"
#include "IdentityDispatcher.h"
#include "N_About.h"
#include "N_Common.h"
#include "N_Firmware.h"
#include "N_Language.h"
#include "PacketParser.h"
#include "PageCommon.h"
#include "PageFirmware.h"
#include "PageMain.h"
#include "PageReporting.h"
#include "PageSettings.h"
#include "PageTextSms.h"
#include "Prompts.h"
#include "SectionTree.h"
#include "SettingsStore.h"
#include "ShortcutFilter.h"
#include "StatusPanel.h"
#include "TextCodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kPreferencesKey = QStringLiteral("Software\\Nconfig");
constexpr int kClientWidth = 847;
constexpr int kClientHeight = 591;
constexpr int kButtonBarHeight = 33;
constexpr int kTreeWidth = 193;

QPushButton* BarButton(QWidget* parent, const char* name, QHBoxLayout* layout) {
    auto* button = MakeNamed<QPushButton>(parent, name);
    button->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(button);
    return button;
}

} // namespace

TMainFormFrm::TMainFormFrm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainFormFrm"));
    setAttribute(Qt::WA_QuitOnClose);
    // Fixed size: single border, system menu and minimise box, no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    CreateControls();
    FormCreate();
    layout()->activate();
}

TMainFormFrm::~TMainFormFrm() {
    FormDestroy();
}

// ---------------------------------------------------------------- layout

void TMainFormFrm::CreateControls() {
    CreateMenu();

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    CreateButtonBar(client);
    column->addWidget(ButtonsPnl);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(2);
    MainTreeView = MakeNamed<QTreeWidget>(client, "MainTreeView");
    MainTreeView->setFixedWidth(kTreeWidth);
    MainTreeView->setHeaderHidden(true);
    MainTreeView->setRootIsDecorated(false);
    MainTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    body->addWidget(MainTreeView);
    MainPageControl = MakeNamed<QStackedWidget>(client, "MainPageControl");
    body->addWidget(MainPageControl, 1);
    DebugPanel = MakeNamed<QFrame>(client, "DebugPanel");
    auto* debugLayout = new QVBoxLayout(DebugPanel);
    debugLayout->setContentsMargins(0, 0, 0, 0);
    DebugMemo = MakeNamed<QPlainTextEdit>(DebugPanel, "DebugMemo");
    DebugMemo->setReadOnly(true);
    debugLayout->addWidget(DebugMemo);
    DebugPanel->setFixedWidth(260);
    DebugPanel->hide(); // a developer's trace; nothing in the window shows it
    body->addWidget(DebugPanel);
    column->addLayout(body, 1);

    CreatePages();
    CreateStatusBar(client);
    CreateTestControls(client);

    setCentralWidget(client);
    client->setFixedSize(kClientWidth, kClientHeight);
    // The window follows its client area and menu bar: fixed, whatever height
    // the menu bar takes with the fonts in use.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(MainTreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { MainTreeViewChange(current); });
    // A click below the last node clears the highlight but keeps the section
    // shown: keep the shown section marked.
    connect(MainTreeView, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (QTreeWidgetItem* current = MainTreeView->currentItem(); current && !current->isSelected())
            current->setSelected(true);
    });
}

void TMainFormFrm::CreateMenu() {
    FileMenuMmi = menuBar()->addMenu(QString());
    FileMenuMmi->setObjectName(QStringLiteral("FileMenuMmi"));
    NoNameMmi = FileMenuMmi->addSeparator();
    NoNameMmi->setObjectName(QStringLiteral("NoNameMmi"));
    ExitMenuMmi = FileMenuMmi->addAction(QString());
    ExitMenuMmi->setObjectName(QStringLiteral("ExitMenuMmi"));
    AboutMenuMmi = menuBar()->addAction(QString());
    AboutMenuMmi->setObjectName(QStringLiteral("AboutMenuMmi"));
    connect(ExitMenuMmi, &QAction::triggered, this, &TMainFormFrm::ExitMenuMmiClick);
    connect(AboutMenuMmi, &QAction::triggered, this, &TMainFormFrm::AboutMenuMmiClick);
}

void TMainFormFrm::CreateButtonBar(QWidget* parent) {
    ButtonsPnl = MakeNamed<QFrame>(parent, "ButtonsPnl");
    ButtonsPnl->setFixedHeight(kButtonBarHeight);
    auto* row = new QHBoxLayout(ButtonsPnl);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    ConnectDisconnectBtn = BarButton(ButtonsPnl, "ConnectDisconnectBtn", row);
    ReadBtn = BarButton(ButtonsPnl, "ReadBtn", row);
    OpenLastBtn = BarButton(ButtonsPnl, "OpenLastBtn", row);
    WriteBtn = BarButton(ButtonsPnl, "WriteBtn", row);
    OpenBtn = BarButton(ButtonsPnl, "OpenBtn", row);
    SaveBtn = BarButton(ButtonsPnl, "SaveBtn", row);
    StatusBtn = BarButton(ButtonsPnl, "StatusBtn", row);
    Button4 = BarButton(ButtonsPnl, "Button4", row);
    row->addStretch(1);
    StatusBtn->hide();
    Button4->hide();
    // Commands that need a connection, a read or an opened file start disabled.
    for (QPushButton* button : {ReadBtn, OpenLastBtn, WriteBtn, StatusBtn})
        button->setEnabled(false);
    for (QPushButton* button : {ConnectDisconnectBtn, ReadBtn, OpenLastBtn, WriteBtn, OpenBtn, SaveBtn})
        button->setMinimumWidth(112);
    connect(StatusBtn, &QPushButton::clicked, this, &TMainFormFrm::StatusBtnClick);
}

void TMainFormFrm::CreatePages() {
    MainTbs = new TMainPage(MainPageControl);
    GPRSGSMReportingTbs = new TReportingPage(MainPageControl);
    LanguageTbs = new TBlankPage("LanguageTbs", MainPageControl);
    TextSMSreportingTbs = new TTextSmsPage(MainPageControl);
    UsersZonesTbs = new TBlankPage("UsersZonesTbs", MainPageControl);
    FirmwareTbs = new TFirmwarePage(MainPageControl);
    ComportTbs = new TSettingsPage(MainPageControl);
    GPRSTbs = new TBlankPage("GPRSTbs", MainPageControl);
    ModemTbs = new TBlankPage("ModemTbs", MainPageControl);
    EmptyTbs = new TBlankPage("EmptyTbs", MainPageControl);
    CMSPhonesTbs = new TBlankPage("CMSPhonesTbs", MainPageControl);
    InputOutputTbs = new TBlankPage("InputOutputTbs", MainPageControl);
    for (QWidget* page :
         {static_cast<QWidget*>(MainTbs), static_cast<QWidget*>(GPRSGSMReportingTbs), LanguageTbs,
          static_cast<QWidget*>(TextSMSreportingTbs), UsersZonesTbs, static_cast<QWidget*>(FirmwareTbs),
          static_cast<QWidget*>(ComportTbs), GPRSTbs, ModemTbs, EmptyTbs, CMSPhonesTbs, InputOutputTbs})
        MainPageControl->addWidget(page);
}

void TMainFormFrm::CreateStatusBar(QWidget* parent) {
    auto* bar = new QFrame(parent);
    bar->setFixedHeight(22);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 1, 6, 1);
    row->setSpacing(2);
    StatusDevPanel = new TStatusPanel("StatusDevPanel", 130, bar);
    StatusImeiPanel = new TStatusPanel("StatusImeiPanel", 190, bar);
    StatusSNPanel = new TStatusPanel("StatusSNPanel", 130, bar);
    StatusVerPanel = new TStatusPanel("StatusVerPanel", 110, bar);
    for (QWidget* panel : {StatusDevPanel, StatusImeiPanel, StatusSNPanel, StatusVerPanel})
        row->addWidget(panel);
    row->addStretch(1);
    ConnectedLab = MakeNamed<QLabel>(bar, "ConnectedLab");
    ConnectedLab->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(ConnectedLab);
    static_cast<QVBoxLayout*>(parent->layout())->addWidget(bar);
}

void TMainFormFrm::CreateTestControls(QWidget* parent) {
    // Developer controls: a hex packet entry fed to the reply dispatcher and the
    // test buttons. Hidden; nothing in the window shows them.
    auto* tests = new QFrame(parent);
    auto* row = new QHBoxLayout(tests);
    Edit1 = MakeNamed<QLineEdit>(tests, "Edit1");
    ParseBtn = MakeNamed<QPushButton>(tests, "ParseBtn");
    Button1 = MakeNamed<QPushButton>(tests, "Button1");
    Button2 = MakeNamed<QPushButton>(tests, "Button2");
    Button3 = MakeNamed<QPushButton>(tests, "Button3");
    for (QWidget* control :
         {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(ParseBtn), static_cast<QWidget*>(Button1),
          static_cast<QWidget*>(Button2), static_cast<QWidget*>(Button3)})
        row->addWidget(control);
    tests->hide();
    static_cast<QVBoxLayout*>(parent->layout())->addWidget(tests);
    connect(ParseBtn, &QPushButton::clicked, this, &TMainFormFrm::ParseBtnClick);
}

// ---------------------------------------------------------------- creation and destruction

void TMainFormFrm::FormCreate() {
    QSpinBox* timeout = FirmwareTbs->PacketTimeoutSpn();
    timeout->setValue(PacketTimeout);
    connect(timeout, &QSpinBox::valueChanged, this, [](int value) { PacketTimeout = value; });

    MainTbs->AccessCodeEdt()->setText(QStringLiteral("0"));
    TShowMessageEvent::Type(); // registered once, before anything can post
    m_fillingLanguages = false;

    CreateTranslator();
    Translator()->RegisterForm(this);
    FillLanguageCombo();

    ConnectedLab->clear();
    connect(&m_login, &TLoginState::settingsReadChanged, this, &TMainFormFrm::OnSettingsReadChanged);
    m_login.SetSettingsRead(false);
    ShowPage(MainTbs);

    connect(&m_login, &TLoginState::accessLevelChanged, this, [this](bool) { RebuildTree(); });
    m_login.SetAccessLevel(true);

    m_firmware = std::make_unique<TFirmware>();

    m_mainComPort = new TComPort(this);
    m_mainComPort->setObjectName(QStringLiteral("MainComPort"));
    m_tcpServer = new QTcpServer(this);
    m_tcpServer->setObjectName(QStringLiteral("IdTCPServer1"));
    m_dispatcher = std::make_unique<TIdentityDispatcher>(TIdentityDispatcher::Targets{
        [this](const std::string& text) { StatusDevPanel->setText(TextCodec::toQString(text)); },
        [this](const std::string& text) { StatusSNPanel->setText(TextCodec::toQString(text)); },
        [this](const std::string& text) { StatusVerPanel->setText(TextCodec::toQString(text)); },
        [this](const std::string& text) { StatusImeiPanel->setText(TextCodec::toQString(text)); },
        [this](const std::string& text) {
            if (m_dataComm)
                m_dataComm->DeviceVersionField = text;
        }});
    {
        std::lock_guard<std::mutex> lock(LinkLock());
        m_dataComm = std::make_unique<TDataCommunication>(
            m_mainComPort, [this](const TPacket& packet) { DispatchPacket(packet); }, this, m_tcpServer);
        SetDataCommunication(m_dataComm.get());
    }

    connect(&m_login, &TLoginState::rememberChanged, this,
            [this](bool remember) { MainTbs->SaveAccessCodeChk()->setChecked(remember); });
    // Both check boxes share the handler: the remember flag follows its box.
    for (QCheckBox* box : {MainTbs->SaveAccessCodeChk(), MainTbs->ReadAfterConnectChk()})
        connect(box, &QCheckBox::clicked, this, [this] {
            const bool checked = MainTbs->SaveAccessCodeChk()->isChecked();
            if (checked != m_login.Remember())
                m_login.SetRememberAccessCode(checked);
        });

    m_login.SetAccessCode(kDefaultAccessCode);
    ReadPreferences();
    CreateConnections();
    TConnections::LoadPortSetting(*m_mainComPort, TConnections::kPortSettingName);
    m_connections->UpdateLinkCaption(QString());
    m_connections->SetLinkMode(TConnections::Direct);

    TextSMSreportingTbs->FillSendSmsTypes([this](const QString& key) { return Lookup(key); });
    m_connections->LockLinkMode(true);

    connect(ComportTbs->ChooseLanguageCmb(), &QComboBox::currentIndexChanged, this,
            [this](int) { ChooseLanguageCmbChange(); });
    m_messageRetry = new QTimer(this);
    m_messageRetry->setSingleShot(true);
    m_messageRetry->setInterval(50);
    connect(m_messageRetry, &QTimer::timeout, this, &TMainFormFrm::ShowPendingMessages);
    BindShortcuts();
}

void TMainFormFrm::FormDestroy() {
    qApp->removeEventFilter(m_shortcuts);
    if (TNWaitFrm* wait = WaitWindow(); wait && wait->parent() == this)
        delete wait;
    if (Translator())
        Translator()->UnregisterForm(this);
    WritePreferences();
    MainTreeView->clear();
    m_firmware.reset();
    {
        std::lock_guard<std::mutex> lock(LinkLock());
        SetDataCommunication(nullptr);
        m_dataComm.reset();
    }
}

void TMainFormFrm::CreateConnections() {
    TConnectionControls controls;
    controls.Window = this;
    controls.ConnectDisconnectBtn = ConnectDisconnectBtn;
    controls.ConnectedLab = ConnectedLab;
    controls.ReadBtn = ReadBtn;
    controls.WriteBtn = WriteBtn;
    controls.StatusBtn = StatusBtn;
    controls.RestoreBtn = MainTbs->RestoreBtn();
    controls.ReadAfterConnectChk = MainTbs->ReadAfterConnectChk();
    controls.DeviceConnectionModesCmb = ComportTbs->DeviceConnectionModesCmb();
    controls.ComportPortCmb = ComportTbs->ComportPortCmb();
    controls.ComportBaudRateCmb = ComportTbs->ComportBaudRateCmb();
    controls.ComportDataBitsCmb = ComportTbs->ComportDataBitsCmb();
    controls.ComportStopBitsCmb = ComportTbs->ComportStopBitsCmb();
    controls.ComportParityCmb = ComportTbs->ComportParityCmb();
    controls.ComportFlowControlCmb = ComportTbs->ComportFlowControlCmb();
    controls.ComportNameEdt = ComportTbs->ComportNameEdt();
    m_connections = new TConnections(m_mainComPort, m_dataComm.get(), controls, this, this);
    m_connections->setObjectName(QStringLiteral("Connections"));
}

void TMainFormFrm::BindShortcuts() {
    m_shortcuts = new TShortcutFilter([this] { return WorkflowRunning(); }, this);
    m_shortcuts->Bind(Qt::Key_F2, ConnectDisconnectBtn);
    m_shortcuts->Bind(Qt::Key_F8, ConnectDisconnectBtn);
    m_shortcuts->Bind(Qt::Key_F3, OpenBtn);
    m_shortcuts->Bind(Qt::Key_F4, OpenLastBtn);
    m_shortcuts->Bind(Qt::Key_F5, SaveBtn);
    m_shortcuts->Bind(Qt::Key_F6, WriteBtn);
    m_shortcuts->Bind(Qt::Key_F7, ReadBtn);
    m_shortcuts->Bind(Qt::Key_F9, FirmwareTbs->StartBtn());
    m_shortcuts->Bind(Qt::Key_F11, MainTbs->RestoreBtn());
    qApp->installEventFilter(m_shortcuts);
}

// ---------------------------------------------------------------- preferences

void TMainFormFrm::ReadPreferences() {
    // Nothing is read (and the defaults stay) while the key does not exist.
    if (const auto remember = SettingsStore::readBool(kPreferencesKey, QStringLiteral("Remember")))
        m_login.SetRememberAccessCode(*remember);
    if (const auto readAfter = SettingsStore::readBool(kPreferencesKey, QStringLiteral("ReadAfterConnect")))
        MainTbs->ReadAfterConnectChk()->setChecked(*readAfter);
    if (m_login.Remember())
        if (const auto code = SettingsStore::readString(kPreferencesKey, QStringLiteral("AccessCode")))
            m_login.SetAccessCode(TextCodec::fromQString(*code));
}

void TMainFormFrm::WritePreferences() {
    // The key comes into existence with the first saved port; until then
    // nothing is written.
    SettingsStore::writeBool(kPreferencesKey, QStringLiteral("Remember"), m_login.Remember(), false);
    SettingsStore::writeBool(kPreferencesKey, QStringLiteral("ReadAfterConnect"),
                             MainTbs->ReadAfterConnectChk()->isChecked(), false);
    if (m_login.Remember())
        SettingsStore::writeString(kPreferencesKey, QStringLiteral("AccessCode"),
                                   TextCodec::toQString(m_login.AccessCode()), false);
}

// ---------------------------------------------------------------- section tree

void TMainFormFrm::RebuildTree() {
    const std::string model = TextCodec::fromQString(StatusDevPanel->text());
    const QStringList keys = SectionKeys(m_login.FullAccess(), StartsWithAny(model, N20Family),
                                         ComportTbs->TextSMSReportingChk()->isChecked());
    FillSectionTree(MainTreeView, keys, [this](const QString& key) { return Lookup(key); });
}

void TMainFormFrm::MainTreeViewChange(QTreeWidgetItem* node) {
    const QString key = SectionKey(node);
    if (key.isEmpty())
        return;
    const QString pageName = PageForSectionKey(key);
    if (pageName.isEmpty()) {
        // A group node without a page of its own: its first section stands for it.
        if (node->childCount() > 0)
            MainTreeView->setCurrentItem(node->child(0));
        return;
    }
    ShowPage(MainPageControl->findChild<QWidget*>(pageName, Qt::FindDirectChildrenOnly));
    if (key == QLatin1String("SettingsTvi") && m_connections)
        m_connections->CancelBtnClick(); // show the port settings in use
}

void TMainFormFrm::ShowPage(QWidget* page) {
    if (page)
        MainPageControl->setCurrentWidget(page);
}

// ---------------------------------------------------------------- enable rules

void TMainFormFrm::OnSettingsReadChanged(bool settingsRead) {
    WriteBtn->setEnabled(settingsRead && Connected());
}

bool TMainFormFrm::Connected() const {
    return m_connections && m_connections->Connected();
}

void TMainFormFrm::SetFirmwareTransferBusy(bool busy) {
    QPushButton* restoreBtn = MainTbs->RestoreBtn();
    const QList<QWidget*> commands{ConnectDisconnectBtn,
                                   ReadBtn,
                                   OpenLastBtn,
                                   WriteBtn,
                                   OpenBtn,
                                   SaveBtn,
                                   StatusBtn,
                                   restoreBtn,
                                   FirmwareTbs->StartBtn(),
                                   FirmwareTbs->BrowseFirmFileBtn(),
                                   ComportTbs};
    if (busy && !m_firmwareBusy)
        m_openLastBeforeTransfer = OpenLastBtn->isEnabled();
    m_firmwareBusy = busy;
    for (QWidget* control : commands)
        control->setEnabled(!busy);
    if (busy)
        return;
    // Everything comes back on, except what would offer a command that cannot
    // work now: the link commands when the transfer ended with the link closed,
    // and reopening the last settings file when there never was one.
    OpenLastBtn->setEnabled(m_openLastBeforeTransfer);
    if (!Connected()) {
        for (QPushButton* linkCommand : {ReadBtn, StatusBtn, WriteBtn, restoreBtn})
            linkCommand->setEnabled(false);
    } else if (m_connections->LinkMode() != TConnections::Direct) {
        restoreBtn->setEnabled(false);
    }
}

bool TMainFormFrm::WorkflowRunning() const {
    return WaitWindow() != nullptr || m_firmwareBusy || QApplication::activeModalWidget() != nullptr ||
           (m_dataComm && m_dataComm->IsBusy());
}

void TMainFormFrm::ApplyAccessLevel() {
    bool full = true;
    const std::string model = TextCodec::fromQString(StatusDevPanel->text());
    if (StartsWithAny(model, N20Family))
        full = m_login.AccessCode() == TextCodec::fromQString(MainTbs->AccessCode2Edt()->text()) + "00";
    m_login.SetAccessLevel(full);
}

// ---------------------------------------------------------------- commands

void TMainFormFrm::StatusBtnClick() {
    m_connections->SetIdleTimer(false);
    ::ShowWaitWindow(this);
    if (!m_dataComm->QueryStatus())
        Prompts().message(this, Lookup(QString::fromStdString(m_dataComm->StatusKey)));
    m_connections->SetIdleTimer(true);
}

void TMainFormFrm::ParseBtnClick() {
    try {
        const TPacket packet =
            PacketParserInstance().Parse(HexToBytes(TextCodec::fromQString(Edit1->text())));
        DebugMemo->clear();
        DebugMemo->appendPlainText(TextCodec::toQString(packet.Command));
        DispatchPacket(packet);
    } catch (const EPacketError& error) {
        Prompts().error(this, Lookup(QString::fromStdString(error.key())));
    }
}

void TMainFormFrm::AboutMenuMmiClick() {
    ShowAbout();
}

void TMainFormFrm::DispatchPacket(const TPacket& packet) {
    m_dispatcher->DispatchReply(packet);
}

// ---------------------------------------------------------------- language

void TMainFormFrm::FillLanguageCombo() {
    ::FillLanguageCombo(ComportTbs->ChooseLanguageCmb(), m_fillingLanguages);
}

void TMainFormFrm::ChooseLanguageCmbChange() {
    if (m_fillingLanguages)
        return;
    if (!ChangeLanguage(ComportTbs->ChooseLanguageCmb()->currentText(), this))
        return;
    ConnectedLab->setText(Lookup(Connected() ? QStringLiteral("Connected") : QStringLiteral("Disconnected")));
    // Translating the window again gave the button the caption of its own key,
    // which offers to connect; while the port is open it must offer to disconnect.
    ConnectDisconnectBtn->setText(
        Lookup(m_mainComPort->IsOpen() ? QStringLiteral("Disconnect") : QStringLiteral("Connect")));
    TextSMSreportingTbs->FillSendSmsTypes([this](const QString& key) { return Lookup(key); });
}

// ---------------------------------------------------------------- window services

bool TMainFormFrm::DebugVisible() const {
    return DebugPanel->isVisible() && DebugMemo->isVisible();
}

void TMainFormFrm::AddDebugLine(const std::string& line) {
    DebugMemo->appendPlainText(TextCodec::toQString(line));
}

void TMainFormFrm::PostMessageText(const QString& text) {
    m_connections->PostMessageText(text);
}

void TMainFormFrm::HandleAbort() {
    m_connections->HandleAbort();
}

QString TMainFormFrm::Lookup(const QString& key) {
    return ::Lookup(key);
}

void TMainFormFrm::ShowWaitWindow() {
    ::ShowWaitWindow(this);
}

std::string TMainFormFrm::CurrentAccessCode() const {
    return m_login.AccessCode();
}

QList<QWidget*> TMainFormFrm::BusyArea() {
    return {ButtonsPnl, MainTreeView, MainPageControl};
}

bool TMainFormFrm::LinkIdle() {
    return !m_dataComm || m_dataComm->State == TCommState::Idle;
}

bool TMainFormFrm::event(QEvent* event) {
    if (event->type() == TShowMessageEvent::Type()) {
        m_pendingMessages.push_back(static_cast<TShowMessageEvent*>(event)->Text);
        ShowPendingMessages();
        return true;
    }
    return QMainWindow::event(event);
}

void TMainFormFrm::ShowPendingMessages() {
    // A text posted from inside an exchange waits until the exchange is over:
    // a message box must not open while the link still waits for the device.
    if (m_dataComm && m_dataComm->IsBusy()) {
        if (!m_pendingMessages.empty())
            m_messageRetry->start();
        return;
    }
    while (!m_pendingMessages.empty()) {
        const QString text = m_pendingMessages.front();
        m_pendingMessages.pop_front();
        Prompts().message(this, text);
    }
}

void TMainFormFrm::closeEvent(QCloseEvent* event) {
    // Closing while a command talks to the device would pull the link away
    // from under it: the window stays until the command has ended.
    if (m_dataComm && m_dataComm->IsBusy()) {
        event->ignore();
        return;
    }
    m_connections->FormClose();
    event->accept();
}
