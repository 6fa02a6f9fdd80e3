#pragma once
// The wait window: keeps the main window's controls out of reach while the
// device is busy. It follows the data communication's state, not the workflow
// that opened it, and closes itself once the link is idle again.

#include <QDialog>
#include <QList>
#include <QPointer>

class QLabel;
class QTimer;

// What the wait window needs from the window it waits for (the main window).
class IWaitHost {
public:
    virtual ~IWaitHost() = default;
    // The window the wait window belongs to (its parent and owner).
    virtual QWidget* WaitParent() = 0;
    // The controls kept out of reach while it exists: the button bar, the
    // section tree and the page stack.
    virtual QList<QWidget*> BusyArea() = 0;
    // True when the data communication is idle (or there is none).
    virtual bool LinkIdle() = 0;
};

class TNWaitFrm : public QDialog {
    Q_OBJECT
public:
    // Created by ShowWaitWindow; the host must outlive the window (it is its owner).
    explicit TNWaitFrm(IWaitHost* host);
    ~TNWaitFrm() override;

    // Timer handler: once the link is idle the window goes away.
    void CheckStateTmrTimer();

    QLabel* PleaseWaitLbl = nullptr;
    QTimer* CheckStateTmr = nullptr;

protected:
    // Escape and the window manager's close do nothing: the window goes only
    // when the link is idle again.
    void reject() override;

private:
    friend void ShowWaitWindow(IWaitHost* host);
    void DisableBusyArea();
    // Everything destruction does, done at most once: the window may be torn
    // down from its own timer (then deleted later) or with its parent.
    void TearDown();
    void CentreOnParent();

    IWaitHost* m_host;
    QList<QPointer<QWidget>> m_busyArea;
    bool m_tornDown = false;
};

// Shows the wait window, creating it when there is none; calling it again
// while one exists only shows it again and keeps the busy area disabled.
void ShowWaitWindow(IWaitHost* host);
// The wait window in use, or nullptr (cleared as soon as it goes away).
TNWaitFrm* WaitWindow();
