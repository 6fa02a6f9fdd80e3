#pragma once
// The services of the main window that the data communication reports through.
// The main window implements them; tests implement them too.

#include "DataTypes.h"

#include <QString>
#include <string>

// One debug-log line of raw traffic: every byte as two upper-case hex digits and a
// space, so a non-empty line ends with a space and an empty buffer gives "".
inline std::string FormatLogBytes(const TByteArray& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        line.push_back(kDigits[b >> 4]);
        line.push_back(kDigits[b & 0x0F]);
        line.push_back(' ');
    }
    return line;
}

class IWindowServices {
public:
    virtual ~IWindowServices() = default;

    // Debug log of the hidden diagnostic panel. Callers ask DebugVisible() first,
    // so that nothing is formatted while the panel is hidden.
    virtual bool DebugVisible() const = 0;
    virtual void AddDebugLine(const std::string& line) = 0;

    // Raw traffic: the line "caption:" and the line of hex bytes, only while the
    // debug log is visible (nothing is formatted otherwise).
    virtual void LogBytes(const std::string& caption, const TByteArray& bytes) {
        if (!DebugVisible())
            return;
        AddDebugLine(caption + ":");
        AddDebugLine(FormatLogBytes(bytes));
    }

    // Shows a (translated) text in a message box later, from the window's event loop.
    virtual void PostMessageText(const QString& text) = 0;

    // The window's reaction to a reply "ABORT": closes the link, queues "AbortReceived".
    virtual void HandleAbort() = 0;

    // Translation of a message key (the translator's Lookup).
    virtual QString Lookup(const QString& key) = 0;
};
