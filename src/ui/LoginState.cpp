#include "LoginState.h"

void TLoginState::SetRememberAccessCode(bool value) {
    m_remember = value;
    emit rememberChanged(value);
}

void TLoginState::SetAccessLevel(bool full) {
    m_fullAccess = full;
    emit accessLevelChanged(full);
}

void TLoginState::SetSettingsRead(bool value) {
    m_settingsRead = value;
    emit settingsReadChanged(value);
}
