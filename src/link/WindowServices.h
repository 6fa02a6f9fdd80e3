#pragma once
// The services of the main window that the data communication reports through.
// The main window implements them; tests implement them too.

#include "DataTypes.h"

#include <QString>
#include <string>

class IWindowServices {
public:
    virtual ~IWindowServices() = default;

    // Debug log of the hidden diagnostic panel. Callers ask DebugVisible() first,
    // so that nothing is formatted while the panel is hidden.
    virtual bool DebugVisible() const = 0;
    virtual void AddDebugLine(const std::string& line) = 0;

    // Shows a (translated) text in a message box later, from the window's event loop.
    virtual void PostMessageText(const QString& text) = 0;

    // The window's reaction to a reply "ABORT": closes the link, queues "AbortReceived".
    virtual void HandleAbort() = 0;

    // Translation of a message key (the translator's Lookup).
    virtual QString Lookup(const QString& key) = 0;
};
