#include "PageTextSms.h"

#include "PageCommon.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

TTextSmsPage::TTextSmsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TextSMSreportingTbs"));
    auto* grid = new QGridLayout(this);

    // Shown only for firmware that knows the setting (from version 1.22 on).
    auto* sendLab = MakeNamed<QLabel>(this, "SendSMSLab");
    m_sendSmsTypeCmb = MakeNamed<QComboBox>(this, "SendSMSTypeCmb");
    sendLab->hide();
    m_sendSmsTypeCmb->hide();
    grid->addWidget(sendLab, 0, 0);
    grid->addWidget(m_sendSmsTypeCmb, 0, 1);

    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);
}

void TTextSmsPage::FillSendSmsTypes(const std::function<QString(const QString&)>& lookup) {
    const int index = m_sendSmsTypeCmb->currentIndex();
    m_sendSmsTypeCmb->clear();
    m_sendSmsTypeCmb->addItem(lookup(QStringLiteral("DescribedOnly")));
    m_sendSmsTypeCmb->addItem(lookup(QStringLiteral("All")));
    m_sendSmsTypeCmb->setCurrentIndex(index < m_sendSmsTypeCmb->count() ? index : -1);
}
