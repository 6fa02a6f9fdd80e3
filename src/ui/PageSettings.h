#pragma once
// Page "ComportTbs": serial port settings, language choice and the user rights
// the installer grants. The serial selectors are driven by the connection unit;
// the page only holds them.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;

class TSettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsPage(QWidget* parent = nullptr);

    QComboBox* ComportPortCmb() const { return m_portCmb; }
    QComboBox* ComportBaudRateCmb() const { return m_baudRateCmb; }
    QComboBox* ComportDataBitsCmb() const { return m_dataBitsCmb; }
    QComboBox* ComportStopBitsCmb() const { return m_stopBitsCmb; }
    QComboBox* ComportParityCmb() const { return m_parityCmb; }
    QComboBox* ComportFlowControlCmb() const { return m_flowControlCmb; }
    QLineEdit* ComportNameEdt() const { return m_nameEdt; }
    QComboBox* DeviceConnectionModesCmb() const { return m_modesCmb; }
    QComboBox* ChooseLanguageCmb() const { return m_languageCmb; }
    QFrame* UserRightsPnl() const { return m_userRightsPnl; }
    QCheckBox* TextSMSReportingChk() const { return m_textSmsChk; }
    QCheckBox* SIMcardPINchk() const { return m_simPinChk; }
    QCheckBox* AccountChk() const { return m_accountChk; }

private:
    QComboBox* m_portCmb;
    QComboBox* m_baudRateCmb;
    QComboBox* m_dataBitsCmb;
    QComboBox* m_stopBitsCmb;
    QComboBox* m_parityCmb;
    QComboBox* m_flowControlCmb;
    QLineEdit* m_nameEdt;
    QComboBox* m_modesCmb;
    QComboBox* m_languageCmb;
    QFrame* m_userRightsPnl;
    QCheckBox* m_textSmsChk;
    QCheckBox* m_simPinChk;
    QCheckBox* m_accountChk;
};
