#pragma once
// Page "TextSMSreportingTbs": account name, names tables, SMS settings.

#include <QWidget>
#include <functional>

class QComboBox;

class TTextSmsPage : public QWidget {
    Q_OBJECT
public:
    explicit TTextSmsPage(QWidget* parent = nullptr);

    QComboBox* SendSMSTypeCmb() const { return m_sendSmsTypeCmb; }

    // Refills the entries "DescribedOnly" and "All" in the language of the
    // moment, keeping the selected entry.
    void FillSendSmsTypes(const std::function<QString(const QString&)>& lookup);

private:
    QComboBox* m_sendSmsTypeCmb;
};
