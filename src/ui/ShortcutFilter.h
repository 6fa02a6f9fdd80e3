#pragma once
// The function keys of the main window, seen application-wide before any
// control handles them. A key clicks its button only when the button is enabled
// and no workflow runs, so a shortcut can never start a second command while a
// first one waits for the device.

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>

#include <QAbstractButton>

class TShortcutFilter : public QObject {
    Q_OBJECT
public:
    // busy: true while a workflow runs (wait window, firmware transfer, a modal
    // dialog of a command).
    explicit TShortcutFilter(std::function<bool()> busy, QObject* parent = nullptr)
        : QObject(parent), m_busy(std::move(busy)) {}

    void Bind(int key, QAbstractButton* button) { m_buttons[key] = button; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> m_busy;
    std::map<int, QPointer<QAbstractButton>> m_buttons;
};
