#pragma once
// One panel of the main window's status bar (device model, IMEI, serial number,
// firmware version). Its text is set from the device's replies only: the panel
// itself is not a caption, so the translator leaves it alone (its label child
// carries no name).

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

class TStatusPanel : public QFrame {
    Q_OBJECT
public:
    TStatusPanel(const char* name, int width, QWidget* parent = nullptr)
        : QFrame(parent), m_label(new QLabel(this)) {
        setObjectName(QString::fromLatin1(name));
        setFrameShape(QFrame::StyledPanel);
        setFrameShadow(QFrame::Sunken);
        setFixedWidth(width);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(4, 0, 4, 0);
        layout->addWidget(m_label);
    }

    QString text() const { return m_label->text(); }
    void setText(const QString& text) { m_label->setText(text); }

private:
    QLabel* m_label;
};
