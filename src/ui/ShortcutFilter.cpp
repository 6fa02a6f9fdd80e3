#include "ShortcutFilter.h"

#include <QAbstractButton>
#include <QKeyEvent>

bool TShortcutFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const auto it = m_buttons.find(key->key());
    if (it == m_buttons.end())
        return false;
    QAbstractButton* button = it->second;
    if (!button || !button->isEnabled() || (m_busy && m_busy()))
        return false; // nothing to do now; the focused control may have the key
    button->click();
    return true;
}
