#include "PageSettings.h"

#include "PageCommon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TSettingsPage::TSettingsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ComportTbs"));
    auto* grid = new QGridLayout(this);

    auto* portLab = MakeNamed<QLabel>(this, "PortLab");
    m_portCmb = MakeNamed<QComboBox>(this, "ComportPortCmb");
    m_portCmb->setMinimumWidth(160);
    grid->addWidget(portLab, 0, 0);
    grid->addWidget(m_portCmb, 0, 1);

    // The fixed line settings: held for the connection unit, never offered.
    m_baudRateCmb = MakeNamed<QComboBox>(this, "ComportBaudRateCmb");
    m_dataBitsCmb = MakeNamed<QComboBox>(this, "ComportDataBitsCmb");
    m_stopBitsCmb = MakeNamed<QComboBox>(this, "ComportStopBitsCmb");
    m_parityCmb = MakeNamed<QComboBox>(this, "ComportParityCmb");
    m_flowControlCmb = MakeNamed<QComboBox>(this, "ComportFlowControlCmb");
    m_nameEdt = MakeNamed<QLineEdit>(this, "ComportNameEdt");
    // The remote link has no transport in this tool, so the mode is never offered.
    m_modesCmb = MakeNamed<QComboBox>(this, "DeviceConnectionModesCmb");
    for (QWidget* hidden : {static_cast<QWidget*>(m_baudRateCmb), static_cast<QWidget*>(m_dataBitsCmb),
                            static_cast<QWidget*>(m_stopBitsCmb), static_cast<QWidget*>(m_parityCmb),
                            static_cast<QWidget*>(m_flowControlCmb), static_cast<QWidget*>(m_nameEdt),
                            static_cast<QWidget*>(m_modesCmb)})
        hidden->hide();

    auto* languageLab = MakeNamed<QLabel>(this, "LanguageLab");
    m_languageCmb = MakeNamed<QComboBox>(this, "ChooseLanguageCmb");
    m_languageCmb->setMinimumWidth(160);
    grid->addWidget(languageLab, 1, 0);
    grid->addWidget(m_languageCmb, 1, 1);

    // User rights the installer grants to the user code; shown for the models
    // that know them.
    m_userRightsPnl = MakeNamed<QFrame>(this, "NoLangUserRightsPnl");
    auto* rights = new QVBoxLayout(m_userRightsPnl);
    rights->setContentsMargins(0, 0, 0, 0);
    m_textSmsChk = MakeNamed<QCheckBox>(m_userRightsPnl, "TextSMSReportingChk");
    m_simPinChk = MakeNamed<QCheckBox>(m_userRightsPnl, "SIMcardPINchk");
    m_accountChk = MakeNamed<QCheckBox>(m_userRightsPnl, "AccountChk");
    rights->addWidget(m_textSmsChk);
    rights->addWidget(m_simPinChk);
    rights->addWidget(m_accountChk);
    m_userRightsPnl->hide();
    grid->addWidget(m_userRightsPnl, 2, 0, 1, 3);

    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);
}
