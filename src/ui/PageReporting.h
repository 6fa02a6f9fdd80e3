#pragma once
// Page "GPRSGSMReportingTbs": reporting channels, APN, SIA-IP, special event codes.

#include <QWidget>

class QCheckBox;
class QSpinBox;

class TReportingPage : public QWidget {
    Q_OBJECT
public:
    explicit TReportingPage(QWidget* parent = nullptr);

    QCheckBox* GPRSPingTimeChk() const { return m_pingChk; }
    QSpinBox* GPRSPingTimeSpn() const { return m_pingSpn; }

private:
    QCheckBox* m_pingChk;
    QSpinBox* m_pingSpn;
};
