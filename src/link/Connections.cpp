#include "Connections.h"

#include "ComPort.h"
#include "N_Common.h"
#include "N_Language.h"
#include "Prompts.h"
#include "SettingsStore.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <exception>

// ---- deferred messages ------------------------------------------------------

QEvent::Type TShowMessageEvent::Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool HandleShowMessageEvent(QWidget* window, QEvent* event) {
    if (event->type() != TShowMessageEvent::Type())
        return false;
    Prompts().message(window, static_cast<TShowMessageEvent*>(event)->Text);
    return true;
}

// ---- host names -------------------------------------------------------------

namespace {

THostResolver& hostResolver() {
    static THostResolver resolver;
    return resolver;
}

} // namespace

void SetHostResolver(THostResolver resolver) {
    hostResolver() = std::move(resolver);
}

QString ResolveHost(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("0");
    QHostAddress literal;
    if (literal.setAddress(trimmed) && literal.protocol() == QAbstractSocket::IPv4Protocol)
        return literal.toString();
    const QList<QHostAddress> addresses =
        hostResolver() ? hostResolver()(trimmed) : QHostInfo::fromName(trimmed).addresses();
    for (const QHostAddress& address : addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address.toString();
    }
    return QStringLiteral("0");
}

// ---- the link logic ---------------------------------------------------------

namespace {

const QString kSettingsRoot = QStringLiteral("Software\\Nconfig\\");
// Marks a selector entry that names the port in use although it is not present.
constexpr int kAbsentPortRole = Qt::UserRole + 1;

void selectData(QComboBox* combo, const QVariant& value) {
    if (!combo)
        return;
    const int index = combo->findData(value);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

template <typename T> bool currentData(const QComboBox* combo, T& out) {
    if (!combo || combo->currentIndex() < 0 || !combo->currentData().isValid())
        return false;
    out = static_cast<T>(combo->currentData().toInt());
    return true;
}

} // namespace

TConnections::TConnections(TComPort* mainComPort, TDataCommunication* dataCommunication,
                           const TConnectionControls& controls, IConnectionHost* host, QObject* parent)
    : QObject(parent), m_port(mainComPort), m_comm(dataCommunication), m_ui(controls), m_host(host),
      m_idleTimer(new QTimer(this)), m_portWatch(new QTimer(this)) {
    m_idleTimer->setObjectName(QStringLiteral("tmrTCPTimeout"));
    m_idleTimer->setInterval(kIdleTimeoutMs);
    connect(m_idleTimer, &QTimer::timeout, this, &TConnections::tmrTCPTimeoutTimer);

    connect(m_port, &TComPort::PortLost, this, &TConnections::onPortLost);

    if (m_ui.ConnectDisconnectBtn)
        connect(m_ui.ConnectDisconnectBtn, &QAbstractButton::clicked, this,
                &TConnections::ConnectDisconnectBtnClick);
    if (m_ui.DeviceConnectionModesCmb) {
        if (m_ui.DeviceConnectionModesCmb->count() == 0)
            m_ui.DeviceConnectionModesCmb->addItems(
                {lookup(QStringLiteral("Direct")), QStringLiteral("GPRS")});
        connect(m_ui.DeviceConnectionModesCmb, &QComboBox::activated, this,
                &TConnections::DeviceConnectionModesCmbChange);
    }
    // activated: the user's choice only, not the refills of the list.
    if (m_ui.ComportPortCmb)
        connect(m_ui.ComportPortCmb, &QComboBox::activated, this, &TConnections::ComportPortCmbChange);
    if (m_ui.ApplyBtn)
        connect(m_ui.ApplyBtn, &QAbstractButton::clicked, this, &TConnections::ApplyBtnClick);
    if (m_ui.CancelBtn)
        connect(m_ui.CancelBtn, &QAbstractButton::clicked, this, &TConnections::CancelBtnClick);

    fillSettingSelectors();
    // One walk over the ports serves both the selector and the hot-plug check.
    const QList<TPortInfo> ports = TComPort::AvailablePorts();
    fillPortList(ports);
    m_lastPorts = presentPortNames(ports);
    // Hot-plug: adapters come and go; the list follows within a second.
    m_portWatch->setObjectName(QStringLiteral("PortWatchTmr"));
    m_portWatch->setInterval(kPortWatchIntervalMs);
    connect(m_portWatch, &QTimer::timeout, this, &TConnections::checkPortSet);
    m_portWatch->start();
}

TConnections::~TConnections() = default;

QString TConnections::lookup(const QString& key) const {
    return ::Lookup(key);
}

void TConnections::message(const QString& text) {
    Prompts().message(m_ui.Window, text);
}

void TConnections::fillSettingSelectors() {
    const auto fill = [](QComboBox* combo, const QList<QPair<QString, int>>& items) {
        if (!combo || combo->count() > 0)
            return;
        for (const auto& [text, value] : items)
            combo->addItem(text, value);
    };
    QList<QPair<QString, int>> bauds;
    for (int baud : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200})
        bauds.append({QString::number(baud), baud});
    fill(m_ui.ComportBaudRateCmb, bauds);
    fill(m_ui.ComportDataBitsCmb, {{QStringLiteral("5"), QSerialPort::Data5},
                                   {QStringLiteral("6"), QSerialPort::Data6},
                                   {QStringLiteral("7"), QSerialPort::Data7},
                                   {QStringLiteral("8"), QSerialPort::Data8}});
    fill(m_ui.ComportStopBitsCmb, {{QStringLiteral("1"), QSerialPort::OneStop},
                                   {QStringLiteral("1.5"), QSerialPort::OneAndHalfStop},
                                   {QStringLiteral("2"), QSerialPort::TwoStop}});
    fill(m_ui.ComportParityCmb, {{QStringLiteral("None"), QSerialPort::NoParity},
                                 {QStringLiteral("Odd"), QSerialPort::OddParity},
                                 {QStringLiteral("Even"), QSerialPort::EvenParity},
                                 {QStringLiteral("Mark"), QSerialPort::MarkParity},
                                 {QStringLiteral("Space"), QSerialPort::SpaceParity}});
    fill(m_ui.ComportFlowControlCmb, {{QStringLiteral("None"), QSerialPort::NoFlowControl},
                                      {QStringLiteral("Hardware"), QSerialPort::HardwareControl},
                                      {QStringLiteral("Software"), QSerialPort::SoftwareControl}});
}

bool TConnections::OpenSerialLink() {
    try {
        if (m_comm)
            m_comm->DeviceVersionField.clear();
        if (!m_port->Open())
            throw std::runtime_error(m_port->ErrorString().toStdString());
        if (m_ui.ConnectDisconnectBtn)
            m_ui.ConnectDisconnectBtn->setText(lookup(QStringLiteral("Disconnect")));
        SetConnected(true);
        return true;
    } catch (const std::exception&) {
        message(lookup(QStringLiteral("ErrorOpenComport")));
        return false;
    }
}

bool TConnections::CloseSerialLink() {
    try {
        if (!m_port->Close())
            throw std::runtime_error(m_port->ErrorString().toStdString());
        if (m_ui.ConnectDisconnectBtn)
            m_ui.ConnectDisconnectBtn->setText(lookup(QStringLiteral("Connect")));
        SetConnected(false);
        return true;
    } catch (const std::exception&) {
        message(lookup(QStringLiteral("ErrorCloseComport")));
        return false;
    }
}

void TConnections::ConnectRemoteLink() {
    if (!m_comm)
        return;
    if (m_host)
        m_host->ShowWaitWindow();
    if (m_comm->ConnectRemote())
        SetConnected(true);
    else
        message(lookup(QStringLiteral("CannotConnectToObject")) + QStringLiteral(": ") +
                lookup(QString::fromStdString(m_comm->StatusKey)));
}

void TConnections::DisconnectRemoteLink(bool silent) {
    SetConnected(false);
    if (silent || !m_comm)
        return;
    if (m_host)
        m_host->ShowWaitWindow();
    if (!m_comm->RestartRemote(m_host ? m_host->CurrentAccessCode() : std::string()))
        message(lookup(QStringLiteral("CannotRestartObject")) + QStringLiteral(": ") +
                lookup(QString::fromStdString(m_comm->StatusKey)));
}

void TConnections::SetConnected(bool connected) {
    m_connected = connected;
    // The lock keeps the (hidden) selector disabled whatever the link state.
    if (m_ui.DeviceConnectionModesCmb)
        m_ui.DeviceConnectionModesCmb->setEnabled(!connected && !m_modeLocked);
    if (m_ui.StatusBtn)
        m_ui.StatusBtn->setEnabled(connected);
    if (m_ui.ReadBtn)
        m_ui.ReadBtn->setEnabled(connected);
    if (m_ui.WriteBtn)
        m_ui.WriteBtn->setEnabled(connected && m_host && m_host->SettingsRead());
    if (m_ui.RestoreBtn)
        m_ui.RestoreBtn->setEnabled(connected && m_linkMode == Direct);
    if (m_linkMode == Gprs)
        SetIdleTimer(connected);
    if (connected) {
        if (m_ui.ConnectedLab)
            m_ui.ConnectedLab->setText(lookup(QStringLiteral("Connected")));
        if (m_ui.StatusBtn)
            m_ui.StatusBtn->click();
        // The status query may have lost the link again (ABORT, unplugged port):
        // ReadBtn is then disabled and no read starts.
        if (m_ui.ReadAfterConnectChk && m_ui.ReadAfterConnectChk->isChecked() && m_ui.ReadBtn &&
            m_ui.ReadBtn->isEnabled())
            m_ui.ReadBtn->click();
    } else if (m_ui.ConnectedLab) {
        m_ui.ConnectedLab->setText(lookup(QStringLiteral("Disconnected")));
    }
    if (m_host)
        m_host->ApplyAccessLevel();
}

void TConnections::SetLinkMode(int index) {
    m_linkMode = index == Gprs ? Gprs : Direct;
    if (m_ui.DeviceConnectionModesCmb && m_ui.DeviceConnectionModesCmb->count() > m_linkMode)
        m_ui.DeviceConnectionModesCmb->setCurrentIndex(m_linkMode);
    if (m_comm)
        m_comm->LinkMode = m_linkMode == Gprs ? TLinkMode::Tcp : TLinkMode::Serial;
}

void TConnections::LockLinkMode(bool lock) {
    m_modeLocked = lock;
    if (lock)
        SetLinkMode(Direct);
    if (m_ui.DeviceConnectionModesCmb)
        m_ui.DeviceConnectionModesCmb->setEnabled(!lock && !m_connected);
}

void TConnections::UpdateLinkCaption(const QString& name) {
    m_linkName = name;
    if (m_ui.ComportNameEdt)
        m_ui.ComportNameEdt->setText(name);
    if (m_ui.DeviceConnectionModesCmb && m_ui.DeviceConnectionModesCmb->count() > 0)
        m_ui.DeviceConnectionModesCmb->setItemText(0, lookup(QStringLiteral("Direct")) + QLatin1Char(' ') +
                                                          name + QLatin1Char(' ') + m_port->PortName());
}

void TConnections::ApplyPortSettings() {
    const bool wasOpen = m_port->IsOpen();
    if (m_ui.ComportPortCmb && !m_ui.ComportPortCmb->currentText().trimmed().isEmpty())
        m_port->SetPortName(m_ui.ComportPortCmb->currentText().trimmed());
    int baud = 0;
    if (currentData(m_ui.ComportBaudRateCmb, baud))
        m_port->SetBaudRate(baud);
    QSerialPort::DataBits dataBits{};
    if (currentData(m_ui.ComportDataBitsCmb, dataBits))
        m_port->SetDataBits(dataBits);
    QSerialPort::StopBits stopBits{};
    if (currentData(m_ui.ComportStopBitsCmb, stopBits))
        m_port->SetStopBits(stopBits);
    QSerialPort::Parity parity{};
    if (currentData(m_ui.ComportParityCmb, parity))
        m_port->SetParity(parity);
    QSerialPort::FlowControl flow{};
    if (currentData(m_ui.ComportFlowControlCmb, flow))
        m_port->SetFlowControl(flow);
    UpdateLinkCaption(m_ui.ComportNameEdt ? m_ui.ComportNameEdt->text() : m_linkName);
    SavePortSetting(*m_port, kPortSettingName);
    CloseSerialLink();
    if (wasOpen)
        OpenSerialLink();
}

void TConnections::CancelBtnClick() {
    selectPortInUse();
    selectData(m_ui.ComportBaudRateCmb, m_port->BaudRate());
    selectData(m_ui.ComportDataBitsCmb, static_cast<int>(m_port->DataBits()));
    selectData(m_ui.ComportStopBitsCmb, static_cast<int>(m_port->StopBits()));
    selectData(m_ui.ComportParityCmb, static_cast<int>(m_port->Parity()));
    selectData(m_ui.ComportFlowControlCmb, static_cast<int>(m_port->FlowControl()));
    if (m_ui.ComportNameEdt)
        m_ui.ComportNameEdt->setText(m_linkName);
}

bool TConnections::SavePortSetting(const TComPort& port, const QString& linkName) {
    return SettingsStore::writeString(kSettingsRoot + linkName, QStringLiteral("Port"), port.PortName(),
                                      true);
}

bool TConnections::LoadPortSetting(TComPort& port, const QString& linkName) {
    const QString key = kSettingsRoot + linkName;
    if (!SettingsStore::keyExists(key))
        return false;
    // An empty value names no port that could ever open: the port in use stays.
    if (const auto name = SettingsStore::readString(key, QStringLiteral("Port")); name && !name->isEmpty())
        port.SetPortName(*name);
    return true;
}

QSet<QString> TConnections::presentPortNames(const QList<TPortInfo>& ports) {
    QSet<QString> names;
    for (const TPortInfo& info : ports)
        if (!info.Demo)
            names.insert(info.Name);
    return names;
}

void TConnections::RefreshPortList() {
    if (m_ui.ComportPortCmb)
        fillPortList(TComPort::AvailablePorts());
}

void TConnections::fillPortList(const QList<TPortInfo>& ports) {
    if (!m_ui.ComportPortCmb)
        return;
    QComboBox* combo = m_ui.ComportPortCmb;
    const QSignalBlocker block(combo);
    combo->clear();
    for (const TPortInfo& info : ports) {
        combo->addItem(info.Name);
        QString tip = info.Description;
        if (info.HasUsbIds)
            tip += QStringLiteral(" (USB %1:%2)")
                       .arg(info.VendorId, 4, 16, QLatin1Char('0'))
                       .arg(info.ProductId, 4, 16, QLatin1Char('0'));
        combo->setItemData(combo->count() - 1, tip.trimmed(), Qt::ToolTipRole);
    }
    selectPortInUse();
}

void TConnections::selectPortInUse() {
    QComboBox* combo = m_ui.ComportPortCmb;
    if (!combo)
        return;
    const QSignalBlocker block(combo);
    const QString name = m_port->PortName();
    // An entry added earlier for a port that is not present goes when another
    // port is in use.
    for (int i = combo->count() - 1; i >= 0; --i)
        if (combo->itemData(i, kAbsentPortRole).toBool() && combo->itemText(i) != name)
            combo->removeItem(i);
    int index = combo->findText(name);
    if (index < 0) {
        // The port in use is not present (unplugged, or a pseudo-terminal the
        // system does not list): the selector still names it.
        combo->addItem(name);
        index = combo->count() - 1;
        combo->setItemData(index, true, kAbsentPortRole);
    }
    combo->setCurrentIndex(index);
}

void TConnections::checkPortSet() {
    const QList<TPortInfo> ports = TComPort::AvailablePorts();
    QSet<QString> now = presentPortNames(ports);
    if (now == m_lastPorts)
        return;
    m_lastPorts = std::move(now);
    fillPortList(ports);
}

void TConnections::HandleAbort() {
    if (m_connected && m_linkMode == Direct)
        CloseSerialLink();
    else if (m_connected && m_linkMode == Gprs)
        DisconnectRemoteLink(true);
    PostMessageText(lookup(QStringLiteral("AbortReceived")));
}

void TConnections::onPortLost() {
    // The port closed itself and ended any exchange; the window follows.
    if (m_connected && m_linkMode == Direct)
        CloseSerialLink();
    PostMessageText(lookup(QStringLiteral("PortLost")));
    RefreshPortList();
}

void TConnections::PostMessageText(const QString& text) {
    QObject* receiver = m_ui.Window ? static_cast<QObject*>(m_ui.Window) : this;
    QCoreApplication::postEvent(receiver, new TShowMessageEvent(text));
}

bool TConnections::event(QEvent* event) {
    if (HandleShowMessageEvent(m_ui.Window, event))
        return true;
    return QObject::event(event);
}

void TConnections::SetIdleTimer(bool on) {
    if (on && m_linkMode == Gprs)
        m_idleTimer->start();
    else
        m_idleTimer->stop();
}

void TConnections::tmrTCPTimeoutTimer() {
    if (m_linkMode != Gprs)
        return;
    DisconnectRemoteLink(false);
    SetIdleTimer(false);
    message(lookup(QStringLiteral("TCPIdleTimeout")));
}

void TConnections::ConnectDisconnectBtnClick() {
    if (m_linkMode == Direct) {
        if (m_port->IsOpen())
            CloseSerialLink();
        else
            OpenSerialLink();
    } else if (m_connected) {
        DisconnectRemoteLink(false);
    } else {
        ConnectRemoteLink();
    }
}

void TConnections::DeviceConnectionModesCmbChange() {
    if (m_ui.DeviceConnectionModesCmb)
        SetLinkMode(m_ui.DeviceConnectionModesCmb->currentIndex());
}

void TConnections::ComportPortCmbChange() {
    ApplyBtnClick();
}

void TConnections::FormClose() {
    if (!m_connected)
        return;
    if (m_linkMode == Gprs)
        DisconnectRemoteLink(false);
    else
        CloseSerialLink();
}
