#include "PageReporting.h"

#include "PageCommon.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

TReportingPage::TReportingPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("GPRSGSMReportingTbs"));
    auto* grid = new QGridLayout(this);

    m_pingChk = MakeNamed<QCheckBox>(this, "GPRSPingTimeChk");
    m_pingChk->setChecked(true);
    m_pingSpn = MakeNamed<QSpinBox>(this, "GPRSPingTimeSpn");
    m_pingSpn->setRange(30, 1800);
    m_pingSpn->setSingleStep(10);
    m_pingSpn->setValue(30);
    auto* unitLab = MakeNamed<QLabel>(this, "sLab");
    grid->addWidget(m_pingChk, 0, 0);
    grid->addWidget(m_pingSpn, 0, 1);
    grid->addWidget(unitLab, 0, 2);

    grid->setColumnStretch(3, 1);
    grid->setRowStretch(1, 1);
}
