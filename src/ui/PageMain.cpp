#include "PageMain.h"

#include "PageCommon.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {
// A device code field: four decimal digits, 0 to 9999.
QLineEdit* CodeEdit(QWidget* parent, const char* name) {
    auto* edit = MakeNamed<QLineEdit>(parent, name);
    edit->setMaxLength(4);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), edit));
    edit->setFixedWidth(60);
    return edit;
}
} // namespace

TMainPage::TMainPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainTbs"));
    auto* grid = new QGridLayout(this);

    auto* codeLab = MakeNamed<QLabel>(this, "AccessCode1Lab");
    m_accessCodeEdt = CodeEdit(this, "AccessCodeEdt");
    auto* digitsLab = MakeNamed<QLabel>(this, "Digits4Lab");
    grid->addWidget(codeLab, 0, 0);
    grid->addWidget(m_accessCodeEdt, 0, 1);
    grid->addWidget(digitsLab, 0, 2);

    // The installer code of the models that know two codes.
    auto* code2Lab = MakeNamed<QLabel>(this, "AccessCode2Lab");
    m_accessCode2Edt = CodeEdit(this, "AccessCode2Edt");
    m_accessCode2Edt->setText(QStringLiteral("0"));
    auto* digits2Lab = MakeNamed<QLabel>(this, "Digits4La1");
    grid->addWidget(code2Lab, 1, 0);
    grid->addWidget(m_accessCode2Edt, 1, 1);
    grid->addWidget(digits2Lab, 1, 2);
    for (QWidget* hidden : {static_cast<QWidget*>(code2Lab), static_cast<QWidget*>(m_accessCode2Edt),
                            static_cast<QWidget*>(digits2Lab)})
        hidden->hide();

    m_saveAccessCodeChk = MakeNamed<QCheckBox>(this, "SaveAccessCodeChk");
    m_readAfterConnectChk = MakeNamed<QCheckBox>(this, "ReadAfterConnectChk");
    grid->addWidget(m_saveAccessCodeChk, 2, 0, 1, 3);
    grid->addWidget(m_readAfterConnectChk, 3, 0, 1, 3);

    auto* restoreLab = MakeNamed<QLabel>(this, "RestoreDefaultsSettingsLab");
    m_restoreBtn = MakeNamed<QPushButton>(this, "RestoreBtn");
    m_restoreBtn->setEnabled(false);
    auto* restoreRow = new QHBoxLayout;
    restoreRow->addWidget(restoreLab);
    restoreRow->addWidget(m_restoreBtn);
    restoreRow->addStretch(1);
    grid->addLayout(restoreRow, 4, 0, 1, 4);

    grid->setColumnStretch(3, 1);
    grid->setRowStretch(5, 1);
}
