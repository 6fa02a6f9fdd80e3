#pragma once
// The main window: button bar, section tree, page stack, status bar and menu.
// It creates and wires the parts that do the work (the login state, the pages,
// the connection unit, the data communication with its reply dispatcher) and
// keeps the rules that tie them together: the section tree, the preferences,
// the function keys, the enable rules and the deferred messages.

#include "Connections.h"
#include "LoginState.h"
#include "N_WaitForm.h"
#include "WindowServices.h"

#include <QMainWindow>
#include <QStringList>
#include <deque>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTcpServer;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

class TComPort;
class TDataCommunication;
class TFirmware;
class TIdentityDispatcher;
class TShortcutFilter;
class TStatusPanel;

class TMainPage;
class TReportingPage;
class TTextSmsPage;
class TSettingsPage;
class TFirmwarePage;
struct TPacket;

class TMainFormFrm : public QMainWindow, public IWindowServices, public IWaitHost, public IConnectionHost {
    Q_OBJECT
public:
    explicit TMainFormFrm(QWidget* parent = nullptr);
    ~TMainFormFrm() override;

    // Section tree.
    void RebuildTree();
    void MainTreeViewChange(QTreeWidgetItem* node);
    void ShowPage(QWidget* page);

    // Commands of this window.
    void StatusBtnClick();
    void ParseBtnClick();
    void ChooseLanguageCmbChange();
    void AboutMenuMmiClick();
    void ExitMenuMmiClick() { close(); }

    // Link host. The access level rule: full access unless an N20 family
    // device was logged into with another code than its installer code.
    void ApplyAccessLevel() override;
    bool SettingsRead() const override { return m_login.SettingsRead(); }
    void ShowWaitWindow() override;
    std::string CurrentAccessCode() const override;
    // Busy state of a firmware transfer: every command and the settings page
    // off; afterwards on again, except the link commands when the link is
    // closed by then, and OpenLastBtn, which gets back its earlier state.
    void SetFirmwareTransferBusy(bool busy);
    bool FirmwareTransferBusy() const { return m_firmwareBusy; }
    // True while a command runs: wait window, firmware transfer or a modal dialog.
    bool WorkflowRunning() const;
    bool Connected() const;

    // Window services of the data communication.
    bool DebugVisible() const override;
    void AddDebugLine(const std::string& line) override;
    void PostMessageText(const QString& text) override;
    void HandleAbort() override;
    QString Lookup(const QString& key) override;

    // Host of the wait window.
    QWidget* WaitParent() override { return this; }
    QList<QWidget*> BusyArea() override;
    bool LinkIdle() override;

    TLoginState& Login() { return m_login; }
    TDataCommunication* DataComm() const { return m_dataComm.get(); }
    TConnections* Connections() const { return m_connections; }
    TComPort* MainComPort() const { return m_mainComPort; }
    TFirmware* Firmware() const { return m_firmware.get(); }

    // Controls, by their names.
    QMenu* FileMenuMmi = nullptr;
    QAction* NoNameMmi = nullptr;
    QAction* ExitMenuMmi = nullptr;
    QAction* AboutMenuMmi = nullptr;
    QFrame* ButtonsPnl = nullptr;
    QPushButton* ConnectDisconnectBtn = nullptr;
    QPushButton* ReadBtn = nullptr;
    QPushButton* OpenLastBtn = nullptr;
    QPushButton* WriteBtn = nullptr;
    QPushButton* OpenBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* StatusBtn = nullptr;
    QPushButton* Button4 = nullptr;
    QTreeWidget* MainTreeView = nullptr;
    QStackedWidget* MainPageControl = nullptr;
    TMainPage* MainTbs = nullptr;
    TReportingPage* GPRSGSMReportingTbs = nullptr;
    QWidget* LanguageTbs = nullptr;
    TTextSmsPage* TextSMSreportingTbs = nullptr;
    QWidget* UsersZonesTbs = nullptr;
    TFirmwarePage* FirmwareTbs = nullptr;
    TSettingsPage* ComportTbs = nullptr;
    QWidget* GPRSTbs = nullptr;
    QWidget* ModemTbs = nullptr;
    QWidget* EmptyTbs = nullptr;
    QWidget* CMSPhonesTbs = nullptr;
    QWidget* InputOutputTbs = nullptr;
    TStatusPanel* StatusDevPanel = nullptr;
    TStatusPanel* StatusImeiPanel = nullptr;
    TStatusPanel* StatusSNPanel = nullptr;
    TStatusPanel* StatusVerPanel = nullptr;
    QLabel* ConnectedLab = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* ParseBtn = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QFrame* DebugPanel = nullptr;
    QPlainTextEdit* DebugMemo = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateControls();
    void CreateMenu();
    void CreateButtonBar(QWidget* parent);
    void CreatePages();
    void CreateStatusBar(QWidget* parent);
    void CreateTestControls(QWidget* parent);
    void FormCreate();
    void FormDestroy();
    void CreateConnections();
    void BindShortcuts();
    void FillLanguageCombo();
    void ReadPreferences();
    void WritePreferences();
    void ShowPendingMessages();
    void OnSettingsReadChanged(bool settingsRead);
    void DispatchPacket(const TPacket& packet);

    TLoginState m_login;
    TComPort* m_mainComPort = nullptr;
    QTcpServer* m_tcpServer = nullptr;
    TConnections* m_connections = nullptr;
    std::unique_ptr<TIdentityDispatcher> m_dispatcher;
    std::unique_ptr<TDataCommunication> m_dataComm;
    std::unique_ptr<TFirmware> m_firmware;
    TShortcutFilter* m_shortcuts = nullptr;
    bool m_fillingLanguages = false;
    bool m_firmwareBusy = false;
    bool m_openLastBeforeTransfer = false;
    std::deque<QString> m_pendingMessages;
    QTimer* m_messageRetry = nullptr;
};
