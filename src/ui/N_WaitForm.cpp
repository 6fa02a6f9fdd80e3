#include "N_WaitForm.h"

#include "N_Language.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {
// The program's reference to its one wait window. A QPointer, so that it is
// also cleared when the window goes with its parent.
QPointer<TNWaitFrm> g_waitForm;
} // namespace

TNWaitFrm::TNWaitFrm(IWaitHost* host)
    : QDialog(host ? host->WaitParent() : nullptr,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      m_host(host) {
    setObjectName(QStringLiteral("NWaitFrm"));
    setWindowTitle(QStringLiteral("Wait"));
    setFixedSize(240, 69);
    setModal(false);

    PleaseWaitLbl = new QLabel(QStringLiteral("Please wait..."), this);
    PleaseWaitLbl->setObjectName(QStringLiteral("PleaseWaitLbl"));
    PleaseWaitLbl->setGeometry(8, 4, 224, 61);
    PleaseWaitLbl->setAlignment(Qt::AlignCenter);
    PleaseWaitLbl->setWordWrap(true);

    CheckStateTmr = new QTimer(this);
    CheckStateTmr->setObjectName(QStringLiteral("CheckStateTmr"));
    CheckStateTmr->setInterval(100);
    connect(CheckStateTmr, &QTimer::timeout, this, &TNWaitFrm::CheckStateTmrTimer);
    CheckStateTmr->start();
}

TNWaitFrm::~TNWaitFrm() {
    TearDown();
}

void TNWaitFrm::DisableBusyArea() {
    if (!m_host)
        return;
    for (QWidget* widget : m_host->BusyArea()) {
        if (!widget)
            continue;
        widget->setEnabled(false);
        if (!m_busyArea.contains(widget))
            m_busyArea.append(widget);
    }
}

void TNWaitFrm::TearDown() {
    if (m_tornDown)
        return;
    m_tornDown = true;
    CheckStateTmr->stop();
    // The busy area is given back only while the window still belongs to the
    // main window; the host itself is not asked again here, because this also
    // runs while the main window is being destroyed.
    if (parentWidget()) {
        for (const QPointer<QWidget>& widget : m_busyArea)
            if (widget)
                widget->setEnabled(true);
    }
    m_busyArea.clear();
    if (TNLanguage* translator = Translator())
        translator->UnregisterForm(this);
    if (g_waitForm == this)
        g_waitForm = nullptr;
}

void TNWaitFrm::CheckStateTmrTimer() {
    if (m_tornDown || (m_host && !m_host->LinkIdle()))
        return;
    TearDown();
    hide();
    // The timer that called us is a child: delete from the event loop.
    deleteLater();
}

void TNWaitFrm::reject() {
    // QDialog would hide the window, leaving the busy area disabled with nothing
    // telling the user why.
}

void TNWaitFrm::CentreOnParent() {
    QRect area;
    if (QWidget* owner = parentWidget(); owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

void ShowWaitWindow(IWaitHost* host) {
    const bool created = !g_waitForm;
    if (created)
        g_waitForm = new TNWaitFrm(host);
    TNWaitFrm* form = g_waitForm;
    // Registering again is harmless: only the first registration translates.
    if (TNLanguage* translator = Translator())
        translator->RegisterForm(form);
    form->DisableBusyArea();
    if (created)
        form->CentreOnParent();
    form->show();
}

TNWaitFrm* WaitWindow() {
    return g_waitForm;
}
