#pragma once
// Page "FirmwareTbs": choosing a firmware file and loading it into the device.

#include <QWidget>

class QPushButton;
class QSpinBox;

class TFirmwarePage : public QWidget {
    Q_OBJECT
public:
    explicit TFirmwarePage(QWidget* parent = nullptr);

    QPushButton* BrowseFirmFileBtn() const { return m_browseBtn; }
    QPushButton* StartBtn() const { return m_startBtn; }
    QSpinBox* PacketTimeoutSpn() const { return m_packetTimeoutSpn; }

private:
    QPushButton* m_browseBtn;
    QPushButton* m_startBtn;
    QSpinBox* m_packetTimeoutSpn;
};
