#pragma once
// The translator: loads the texts of one language from "NLanguage.lng",
// translates windows from the object names of their controls and answers
// lookups of message keys.
//
// Widget conventions: a control's key is its objectName without the last three
// characters (ReadBtn -> Read). Labels, buttons, group boxes, check boxes, radio
// buttons and tool buttons get their text; pages of a QStackedWidget get their
// windowTitle; QTreeWidget items get the lookup of the key kept in
// data(0, Qt::UserRole); QTableWidget header items get the lookup of the column
// name kept in data(Qt::UserRole) minus its last three characters; named QMenus
// their title and named QActions their text (separators excepted). Everything
// else, unnamed objects and Qt's own (objectName "qt_..." or "_q_...") are left alone.

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QComboBox;
class QObject;
class QWidget;

// One text of the current language.
struct TNStringItem {
    QString Text;
};

class TNLanguage {
public:
    TNLanguage() = default;
    TNLanguage(const TNLanguage&) = delete;
    TNLanguage& operator=(const TNLanguage&) = delete;

    // Relative names are joined to the executable's folder; absolute paths are
    // used as they are. A missing file shows "Language file not found"; a
    // damaged one is refused as a whole with one message. In both cases the
    // texts and names stay as they were.
    void LoadLanguage(const QString& fileName);
    // Case-insensitive; the first entry of a key counts. A key without a text
    // gets, and keeps until the next load, the text "?Key?".
    QString Lookup(const QString& key);
    // True when the current language has a text (not a fallback) for the key.
    bool HasText(const QString& key) const;

    void RegisterForm(QWidget* form);
    void UnregisterForm(QWidget* form);
    bool IsRegistered(const QWidget* form) const;
    void TranslateForm(QWidget* form);
    void TranslateComponent(QObject* component);
    void ClearTexts();

    QStringList LanguageNames() const { return m_names; }
    QString CurrentLanguage() const { return m_current; }
    void SetCurrentLanguage(const QString& name) { m_current = name; }
    // Number of texts held (fallbacks included).
    int TextCount() const { return int(m_texts.size()); }

private:
    struct TextEntry {
        QString Key;
        TNStringItem Item;
        bool Fallback; // "?Key?" made up by Lookup
    };
    std::vector<TextEntry> m_texts; // file order, then fallbacks in lookup order
    QHash<QString, int> m_index;    // case-folded key -> first entry
    QStringList m_names;
    QString m_current;
    QHash<QString, QPointer<QWidget>> m_registered; // case-folded window name -> window
};

TNLanguage* Translator();       // the single translator; nullptr before CreateTranslator
TNLanguage* CreateTranslator(); // creates it once and loads "NLanguage.lng"
// Translator()->Lookup(key), or "?key?" when there is no translator.
QString Lookup(const QString& key);

// The remembered language: "Software\\Amassor", value "Language". Reading never
// creates the key; errors read as the empty name and are otherwise ignored.
QString ReadLanguageSetting();
void WriteLanguageSetting(const QString& name);

// Keys the translator looks up when it translates the window: the window's key
// and the key of every control it would set, tree node keys and column header
// keys included. Nothing is changed.
QStringList TranslatableKeys(QWidget* form);

// The language list of the settings page: every name of the file in file order,
// the current language selected. `filling` is set for the duration, so the
// combo's change handler can ignore the changes it causes.
void FillLanguageCombo(QComboBox* combo, bool& filling);

// The translator's side of choosing a language for `mainWindow`: does nothing
// and returns false when the name is the current language (or there is no
// translator); otherwise makes it current, remembers it, reloads the language
// file and translates the window again, and returns true.
bool ChangeLanguage(const QString& name, QWidget* mainWindow,
                    const QString& fileName = QStringLiteral("NLanguage.lng"));
