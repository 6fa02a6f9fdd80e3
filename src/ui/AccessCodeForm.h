#pragma once
// The access code question asked before a device is read or written when no
// code is remembered (or the device refused the one in use).

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TAccessCodeFrm : public QDialog {
    Q_OBJECT
public:
    explicit TAccessCodeFrm(QWidget* parent = nullptr);
    ~TAccessCodeFrm() override;

    // Fills the field from a wire code (see AskAccessCode) and the check box
    // from the remember flag.
    void Prefill(const std::string& code, bool remember);
    // The wire code for the text of the field: six characters kept, anything
    // else followed by "00".
    std::string WireCode() const;
    bool RememberChecked() const;

    // OK: accepts a field of 4 or 6 characters, otherwise says why and stays open.
    void OKBtnClick();

    QLabel* AccessCode1Lbl = nullptr;
    QLineEdit* AccessCodeEdt = nullptr;
    QCheckBox* RememberChk = nullptr;
    QPushButton* OKBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitToCaptions();
    void LimitTyping(const QString& text);
};

// Asks for the device's access code. True when the user confirmed a valid
// code: then Code holds the six-character wire code and Remember the state of
// the check box. False when the dialog was closed otherwise: both unchanged.
bool AskAccessCode(std::string& code, bool& remember);
