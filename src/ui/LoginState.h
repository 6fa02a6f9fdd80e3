#pragma once
// The login state of the main window: the access code sent with every request,
// whether it is remembered at exit, the access level the last login earned and
// whether a configuration has been read or written (which gates writing).
//
// The window reacts to changes through the signals: the access level rebuilds the
// section tree, the settings-read flag enables the write button, the remember flag
// mirrors into its check box.

#include <QObject>
#include <string>

inline constexpr const char* kDefaultAccessCode = "817260";

class TLoginState : public QObject {
    Q_OBJECT
public:
    explicit TLoginState(QObject* parent = nullptr) : QObject(parent) {}

    const std::string& AccessCode() const { return m_accessCode; }
    void SetAccessCode(const std::string& code) { m_accessCode = code; }

    bool Remember() const { return m_remember; }
    void SetRememberAccessCode(bool value);

    bool FullAccess() const { return m_fullAccess; }
    // Always announced, also when the level is unchanged: the tree follows the
    // device model, which may have changed since the last call.
    void SetAccessLevel(bool full);

    bool SettingsRead() const { return m_settingsRead; }
    void SetSettingsRead(bool value);

signals:
    void rememberChanged(bool remember);
    void accessLevelChanged(bool full);
    void settingsReadChanged(bool settingsRead);

private:
    std::string m_accessCode = kDefaultAccessCode;
    bool m_remember = false;
    bool m_fullAccess = true;
    bool m_settingsRead = false;
};
