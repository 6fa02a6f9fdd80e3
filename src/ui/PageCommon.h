#pragma once
// Small helpers shared by the page classes of the main window.

#include <QString>
#include <QWidget>

// Creates a child control with its object name; the translator finds its
// caption by that name.
template <typename T, typename... Args> T* MakeNamed(QWidget* parent, const char* name, Args&&... args) {
    auto* widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A page of the main window's page stack that holds nothing yet: the sections
// the tree does not offer, and the blank page shown for unknown keys.
class TBlankPage : public QWidget {
    Q_OBJECT
public:
    TBlankPage(const char* name, QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QString::fromLatin1(name));
    }
};
