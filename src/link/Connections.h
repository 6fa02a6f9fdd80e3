#pragma once
// The link logic of the main window: opening and closing the serial link (or the
// remote one), the connect button and its label, the port selectors and the
// remembered port, the reaction to "ABORT" and to a vanished port, the deferred
// messages ("ShowMessage"), the idle time-out of the remote mode and host name
// resolution.
//
// The window creates its controls and hands them over in TConnectionControls; this
// unit connects their signals (ConnectDisconnectBtn, DeviceConnectionModesCmb,
// ComportPortCmb, ApplyBtn, CancelBtn) to its handlers. What belongs to other parts
// of the window comes through IConnectionHost. The status query and the read run by
// clicking StatusBtn and ReadBtn, so they take the window's own paths.

#include <QEvent>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;
class TComPort;
class TDataCommunication;
struct TPortInfo;

// The controls the link logic drives. Window, ConnectDisconnectBtn and ConnectedLab
// are needed; every other pointer may be null (the control is then left out).
struct TConnectionControls {
    QWidget* Window = nullptr; // receives the ShowMessage events; parent of message boxes
    QAbstractButton* ConnectDisconnectBtn = nullptr;
    QLabel* ConnectedLab = nullptr;
    QAbstractButton* ReadBtn = nullptr;
    QAbstractButton* WriteBtn = nullptr;
    QAbstractButton* StatusBtn = nullptr;
    QAbstractButton* RestoreBtn = nullptr;
    QCheckBox* ReadAfterConnectChk = nullptr;
    QComboBox* DeviceConnectionModesCmb = nullptr;
    QComboBox* ComportPortCmb = nullptr;
    QComboBox* ComportBaudRateCmb = nullptr;
    QComboBox* ComportDataBitsCmb = nullptr;
    QComboBox* ComportStopBitsCmb = nullptr;
    QComboBox* ComportParityCmb = nullptr;
    QComboBox* ComportFlowControlCmb = nullptr;
    QLineEdit* ComportNameEdt = nullptr;
    QAbstractButton* ApplyBtn = nullptr;
    QAbstractButton* CancelBtn = nullptr;
};

// What the link logic needs from the rest of the window.
class IConnectionHost {
public:
    virtual ~IConnectionHost() = default;
    // The access level rule of the read workflow (reads the model from the status panel).
    virtual void ApplyAccessLevel() = 0;
    // A read or a write has succeeded since the last connect (WriteBtn's condition).
    virtual bool SettingsRead() const = 0;
    // Shows the wait window for the operation that follows.
    virtual void ShowWaitWindow() = 0;
    // The current six-character access code (restart of the remote device).
    virtual std::string CurrentAccessCode() const = 0;
};

// The deferred message "ShowMessage": a text posted to the window and shown in a
// plain message box when the window's event loop reaches it, in posting order.
class TShowMessageEvent : public QEvent {
public:
    explicit TShowMessageEvent(QString text) : QEvent(Type()), Text(std::move(text)) {}
    static QEvent::Type Type(); // registered once per process
    const QString Text;
};
// Shows the text of a ShowMessage event with Prompts().message(window, ...); false
// for any other event. The window calls it first thing in its event().
bool HandleShowMessageEvent(QWidget* window, QEvent* event);

// Host name resolution, IPv4 only: the first IPv4 address in dotted notation, the
// name itself when it already is a dotted IPv4 address, "0" when it cannot be resolved.
using THostResolver = std::function<QList<QHostAddress>(const QString& name)>;
QString ResolveHost(const QString& name);
// Replaces the system resolver (tests); an empty function restores it.
void SetHostResolver(THostResolver resolver);

class TConnections : public QObject {
    Q_OBJECT
public:
    enum LinkModeIndex { Direct = 0, Gprs = 1 };
    static constexpr int kIdleTimeoutMs = 360000;
    static constexpr int kPortWatchIntervalMs = 1000;
    static inline const QString kPortSettingName = QStringLiteral("MainComport");

    // The port and the data communication are the window's and must outlive this.
    TConnections(TComPort* mainComPort, TDataCommunication* dataCommunication,
                 const TConnectionControls& controls, IConnectionHost* host, QObject* parent = nullptr);
    ~TConnections() override;

    void SetDataCommunication(TDataCommunication* dataCommunication) { m_comm = dataCommunication; }

    // Link state.
    bool Connected() const { return m_connected; }
    int LinkMode() const { return m_linkMode; }
    bool LinkModeLocked() const { return m_modeLocked; }
    QString LinkName() const { return m_linkName; }

    // Window operations.
    bool OpenSerialLink();
    bool CloseSerialLink();
    void ConnectRemoteLink();
    void DisconnectRemoteLink(bool silent);
    void SetConnected(bool connected);
    void SetLinkMode(int index);
    void LockLinkMode(bool lock);
    void UpdateLinkCaption(const QString& name);
    void ApplyPortSettings();
    // Fills ComportPortCmb with the ports present (and the demo device) and sets its
    // text to the port in use.
    void RefreshPortList();
    void HandleAbort();
    void PostMessageText(const QString& text);
    void SetIdleTimer(bool on);
    static QString ResolveHost(const QString& name) { return ::ResolveHost(name); }

    // The remembered port: "Software\\Nconfig\\" + link name, value "Port". True when
    // the key could be opened (saving creates it).
    static bool SavePortSetting(const TComPort& port, const QString& linkName);
    static bool LoadPortSetting(TComPort& port, const QString& linkName);

    // Event handlers (connected to the controls by the constructor).
    void ConnectDisconnectBtnClick();
    void DeviceConnectionModesCmbChange();
    void ComportPortCmbChange();
    void ApplyBtnClick() { ApplyPortSettings(); }
    // Sets the six selectors and ComportNameEdt from the settings in use.
    void CancelBtnClick();
    void tmrTCPTimeoutTimer();
    // The window is closing: disconnect when connected.
    void FormClose();
    void CloseLink() { FormClose(); }

    QTimer* tmrTCPTimeout() const { return m_idleTimer; }
    // The periodic check of the set of ports (hot-plug); exposed for tests.
    QTimer* PortWatchTimer() const { return m_portWatch; }

protected:
    bool event(QEvent* event) override;

private:
    QString lookup(const QString& key) const;
    void message(const QString& text);
    void fillSettingSelectors();
    void onPortLost();
    void checkPortSet();
    void selectPortInUse();
    // Fills ComportPortCmb from an enumeration already made.
    void fillPortList(const QList<TPortInfo>& ports);
    // The names of the real ports (not the demo device) in an enumeration.
    static QSet<QString> presentPortNames(const QList<TPortInfo>& ports);

    TComPort* m_port;
    TDataCommunication* m_comm;
    TConnectionControls m_ui;
    IConnectionHost* m_host;
    bool m_connected = false;
    int m_linkMode = Direct;
    bool m_modeLocked = false;
    QString m_linkName;
    QTimer* m_idleTimer;
    QTimer* m_portWatch;
    QSet<QString> m_lastPorts;
};
