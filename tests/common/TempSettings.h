#pragma once
// Points the settings store at a fresh temporary folder for the life of the object.

#include "SettingsStore.h"

#include <QTemporaryDir>

class TempSettings {
public:
    TempSettings() { SettingsStore::setFolder(m_dir.path()); }
    ~TempSettings() { SettingsStore::setFolder(m_previous); }
    QString path() const { return m_dir.path(); }

private:
    QString m_previous = SettingsStore::folder();
    QTemporaryDir m_dir;
};
