#include "PageFirmware.h"

#include "PageCommon.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

TFirmwarePage::TFirmwarePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FirmwareTbs"));
    auto* grid = new QGridLayout(this);

    m_browseBtn = MakeNamed<QPushButton>(this, "BrowseFirmFileBtn");
    m_startBtn = MakeNamed<QPushButton>(this, "StartBtn");
    m_startBtn->setEnabled(false); // until a valid firmware file is chosen
    grid->addWidget(m_browseBtn, 0, 0);
    grid->addWidget(m_startBtn, 1, 0);

    // The reply time-out in milliseconds: a developer setting, not offered.
    auto* timeoutLab = MakeNamed<QLabel>(this, "PacketTimeoutLab");
    m_packetTimeoutSpn = MakeNamed<QSpinBox>(this, "PacketTimeoutSpn");
    m_packetTimeoutSpn->setRange(0, 600000);
    timeoutLab->hide();
    m_packetTimeoutSpn->hide();
    grid->addWidget(timeoutLab, 2, 0);
    grid->addWidget(m_packetTimeoutSpn, 2, 1);

    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);
}
