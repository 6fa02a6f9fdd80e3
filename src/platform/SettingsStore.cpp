#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

namespace {

QString& folderOverride()
{
    static QString folder = qEnvironmentVariable("NCONFIG_SETTINGS_DIR");
    return folder;
}

QStringList splitKey(const QString& key)
{
    QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return parts;
}

struct Location {
    std::unique_ptr<QSettings> settings;
    QString group; // subkey path inside the file, '/'-separated; empty for the top key
    QString file;
};

// Maps "Software\Top\Sub..." to its INI file (or registry key) and group.
std::optional<Location> locate(const QString& key)
{
    QStringList parts = splitKey(key);
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty())
        return std::nullopt;
    Location loc;
#ifdef Q_OS_WIN
    if (folderOverride().isEmpty()) {
        loc.settings = std::make_unique<QSettings>(
            QStringLiteral("HKEY_CURRENT_USER\\Software\\") + parts.join(QLatin1Char('\\')), QSettings::NativeFormat);
        return loc;
    }
#endif
    const QString top = parts.takeFirst();
    loc.file = QDir(SettingsStore::folder()).filePath(top + QStringLiteral(".ini"));
    loc.group = parts.join(QLatin1Char('/'));
    loc.settings = std::make_unique<QSettings>(loc.file, QSettings::IniFormat);
    if (!loc.group.isEmpty())
        loc.settings->beginGroup(loc.group);
    return loc;
}

bool exists(const Location& loc)
{
#ifdef Q_OS_WIN
    if (loc.file.isEmpty())
        return !loc.settings->allKeys().isEmpty() || !loc.settings->childGroups().isEmpty();
#endif
    if (!QFileInfo::exists(loc.file))
        return false;
    if (loc.group.isEmpty())
        return true;
    return !loc.settings->allKeys().isEmpty();
}

std::optional<QVariant> read(const QString& key, const QString& name)
{
    auto loc = locate(key);
    if (!loc || !exists(*loc) || !loc->settings->contains(name))
        return std::nullopt;
    return loc->settings->value(name);
}

bool write(const QString& key, const QString& name, const QVariant& value, bool create)
{
    auto loc = locate(key);
    if (!loc)
        return false;
    if (!create && !exists(*loc))
        return false;
    if (!loc->file.isEmpty())
        QDir().mkpath(QFileInfo(loc->file).absolutePath());
    loc->settings->setValue(name, value);
    loc->settings->sync();
    return loc->settings->status() == QSettings::NoError;
}

} // namespace

namespace SettingsStore {

void setFolder(const QString& folder) { folderOverride() = folder; }

QString folder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/nconfig");
}

bool keyExists(const QString& key)
{
    auto loc = locate(key);
    return loc && exists(*loc);
}

std::optional<QString> readString(const QString& key, const QString& name)
{
    auto v = read(key, name);
    if (!v)
        return std::nullopt;
    return v->toString();
}

std::optional<bool> readBool(const QString& key, const QString& name)
{
    auto v = read(key, name);
    if (!v)
        return std::nullopt;
    const QString s = v->toString().trimmed().toLower();
    return s == QLatin1String("1") || s == QLatin1String("true");
}

bool writeString(const QString& key, const QString& name, const QString& value, bool create)
{
    return write(key, name, value, create);
}

bool writeBool(const QString& key, const QString& name, bool value, bool create)
{
    // Stored as 1 or 0, the way the registry keeps booleans.
    return write(key, name, value ? 1 : 0, create);
}

} // namespace SettingsStore
