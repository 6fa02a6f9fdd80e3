#pragma once
// Page "MainTbs": general settings of the device.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TMainPage : public QWidget {
    Q_OBJECT
public:
    explicit TMainPage(QWidget* parent = nullptr);

    QLineEdit* AccessCodeEdt() const { return m_accessCodeEdt; }
    QLineEdit* AccessCode2Edt() const { return m_accessCode2Edt; }
    QCheckBox* SaveAccessCodeChk() const { return m_saveAccessCodeChk; }
    QCheckBox* ReadAfterConnectChk() const { return m_readAfterConnectChk; }
    QPushButton* RestoreBtn() const { return m_restoreBtn; }

private:
    QLineEdit* m_accessCodeEdt;
    QLineEdit* m_accessCode2Edt;
    QCheckBox* m_saveAccessCodeChk;
    QCheckBox* m_readAfterConnectChk;
    QPushButton* m_restoreBtn;
};
