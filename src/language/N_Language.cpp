#include "N_Language.h"

#include "LanguageFile.h"
#include "Prompts.h"
#include "SettingsStore.h"
#include "TextCodec.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

namespace {

const QString kLanguageKey = QStringLiteral("Software\\Amassor");
const QString kLanguageValue = QStringLiteral("Language");
const QString kLanguageFileName = QStringLiteral("NLanguage.lng");

QString foldKey(const QString& key) {
    return key.toCaseFolded();
}

// Key of a control or window: its name without the three-letter kind suffix.
QString keyOf(const QString& name) {
    return name.size() > 3 ? name.chopped(3) : QString();
}

// Qt names the objects it makes inside its widgets "qt_..." or "_q_..." (the clear
// action of a line edit): they are not controls of ours.
bool isQtInternal(const QString& name) {
    return name.startsWith(QLatin1String("qt_")) || name.startsWith(QLatin1String("_q_"));
}

// Applies `translate` to everything of the component that carries a caption. With
// `apply` false nothing is changed (used to list the keys).
using Translate = std::function<QString(const QString& key)>;

void walkComponent(QObject* component, const Translate& translate, bool apply) {
    if (!component)
        return;
    const QString name = component->objectName();
    if (isQtInternal(name))
        return;

    // Trees and grids carry their keys on their items, so the items count even
    // when the control itself has no name.
    if (auto* tree = qobject_cast<QTreeWidget*>(component)) {
        std::function<void(QTreeWidgetItem*)> visit = [&](QTreeWidgetItem* item) {
            const QString key = item->data(0, Qt::UserRole).toString();
            if (!key.isEmpty()) {
                const QString text = translate(key);
                if (apply)
                    item->setText(0, text);
            }
            for (int i = 0; i < item->childCount(); ++i)
                visit(item->child(i));
        };
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            visit(tree->topLevelItem(i));
        return;
    }
    if (auto* grid = qobject_cast<QTableWidget*>(component)) {
        for (int c = 0; c < grid->columnCount(); ++c) {
            QTableWidgetItem* header = grid->horizontalHeaderItem(c);
            if (!header)
                continue;
            const QString key = keyOf(header->data(Qt::UserRole).toString());
            if (key.isEmpty())
                continue;
            const QString text = translate(key);
            if (apply)
                header->setText(text);
        }
        return;
    }

    const QString key = keyOf(name);
    if (key.isEmpty())
        return;

    // The caption setter of the component's kind; none for kinds that keep their texts.
    std::function<void(const QString&)> setCaption;
    if (auto* label = qobject_cast<QLabel*>(component)) {
        if (name == QLatin1String("NewEventBlinkLabel") || name.startsWith(QLatin1String("NoLang")))
            return;
        setCaption = [label](const QString& text) { label->setText(text); };
    } else if (auto* button = qobject_cast<QPushButton*>(component)) {
        setCaption = [button](const QString& text) { button->setText(text); };
    } else if (auto* group = qobject_cast<QGroupBox*>(component)) {
        if (key == QLatin1String("NoText") || name.startsWith(QLatin1String("NoLang")))
            return;
        setCaption = [group](const QString& text) { group->setTitle(text); };
    } else if (auto* check = qobject_cast<QCheckBox*>(component)) {
        setCaption = [check](const QString& text) { check->setText(text); };
    } else if (auto* page = qobject_cast<QWidget*>(component);
               page && qobject_cast<QStackedWidget*>(page->parent())) {
        setCaption = [page](const QString& text) {
            page->setWindowTitle(text);
            // A QTabWidget keeps its pages in an internal stack: its tab shows the caption.
            auto* stack = static_cast<QStackedWidget*>(page->parent());
            if (auto* tabs = qobject_cast<QTabWidget*>(stack->parent()); tabs && tabs->indexOf(page) >= 0)
                tabs->setTabText(tabs->indexOf(page), text);
        };
    } else if (auto* radio = qobject_cast<QRadioButton*>(component)) {
        setCaption = [radio](const QString& text) { radio->setText(text); };
    } else if (auto* menu = qobject_cast<QMenu*>(component)) {
        setCaption = [menu](const QString& text) { menu->setTitle(text); };
    } else if (auto* action = qobject_cast<QAction*>(component)) {
        if (action->isSeparator())
            return;
        setCaption = [action](const QString& text) { action->setText(text); };
    } else if (auto* tool = qobject_cast<QToolButton*>(component)) {
        setCaption = [tool](const QString& text) { tool->setText(text); };
    }
    if (!setCaption)
        return;
    const QString text = translate(key);
    if (apply)
        setCaption(text);
    // Anything else (panels, edits, combo boxes, spin boxes, timers...) keeps its texts.
}

// The window's key, then every component it owns in creation order.
void walkForm(QWidget* form, const Translate& translate, bool apply) {
    if (!form)
        return;
    const QString key = keyOf(form->objectName());
    if (!key.isEmpty()) {
        const QString title = translate(key);
        if (apply)
            form->setWindowTitle(title);
    }
    const auto children = form->findChildren<QObject*>(Qt::FindChildrenRecursively);
    for (QObject* child : children)
        walkComponent(child, translate, apply);
}

QString resolveFileName(const QString& fileName) {
    if (QFileInfo(fileName).isAbsolute())
        return fileName;
    return QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
}

std::unique_ptr<TNLanguage>& translatorInstance() {
    static std::unique_ptr<TNLanguage> instance;
    return instance;
}

} // namespace

void TNLanguage::LoadLanguage(const QString& fileName) {
    const QString path = resolveFileName(fileName);
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        Prompts().message(nullptr, QStringLiteral("Language file not found"));
        return;
    }

    // The whole file is read and checked before anything is replaced: a file
    // that is damaged, or cannot be read, leaves the texts of the last load.
    const auto refuse = [&]() {
        const QString text =
            HasText(QStringLiteral("LanguageFileDamaged"))
                ? Lookup(QStringLiteral("LanguageFileDamaged"))
                : QStringLiteral("The language file is damaged or cannot be read. It was not loaded.");
        Prompts().message(nullptr, text + QLatin1Char('\n') + QDir::toNativeSeparators(path));
    };
    QFile file(path);
    if (info.size() > qint64(kMaxLanguageFileSize) || !file.open(QIODevice::ReadOnly)) {
        refuse();
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        refuse();
        return;
    }

    const QString remembered = ReadLanguageSetting();
    TLanguageFile parsed;
    const auto chooseColumn = [&](const std::vector<std::string>& names) {
        int column = 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (TextCodec::toQString(names[i]) == remembered)
                column = int(i); // the last equal name counts
        return column;
    };
    const TLanguageFileError error =
        ParseLanguageFile(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()),
                          parsed, chooseColumn);
    if (error) {
        refuse();
        return;
    }

    ClearTexts();
    m_names.clear();
    for (const auto& name : parsed.Names)
        m_names << TextCodec::toQString(name);
    if (!m_names.isEmpty())
        m_current = m_names.at(chooseColumn(parsed.Names));
    m_texts.reserve(parsed.Entries.size());
    m_index.reserve(qsizetype(parsed.Entries.size()));
    for (const auto& entry : parsed.Entries) {
        if (entry.Texts.empty()) // a file without languages has no texts
            continue;
        const QString key = TextCodec::toQString(entry.Key);
        const QString folded = foldKey(key);
        if (!m_index.contains(folded)) // the first entry of a key counts
            m_index.insert(folded, int(m_texts.size()));
        m_texts.push_back({key, TNStringItem{TextCodec::toQString(entry.Texts.front())}, false});
    }
}

QString TNLanguage::Lookup(const QString& key) {
    const QString folded = foldKey(key);
    if (auto it = m_index.constFind(folded); it != m_index.constEnd())
        return m_texts[std::size_t(*it)].Item.Text;
    const QString fallback = QLatin1Char('?') + key + QLatin1Char('?');
    m_index.insert(folded, int(m_texts.size()));
    m_texts.push_back({key, TNStringItem{fallback}, true});
    return fallback;
}

bool TNLanguage::HasText(const QString& key) const {
    auto it = m_index.constFind(foldKey(key));
    if (it == m_index.constEnd())
        return false;
    return !m_texts[std::size_t(*it)].Fallback;
}

void TNLanguage::RegisterForm(QWidget* form) {
    if (!form)
        return;
    const QString name = foldKey(form->objectName());
    // A name stays registered for the window that registered it; a new window of
    // the same name (the one before it was destroyed) is translated as well.
    if (auto it = m_registered.constFind(name); it != m_registered.constEnd() && it->data() == form)
        return;
    m_registered.insert(name, form);
    TranslateForm(form);
}

void TNLanguage::UnregisterForm(QWidget* form) {
    if (form)
        m_registered.remove(foldKey(form->objectName()));
}

bool TNLanguage::IsRegistered(const QWidget* form) const {
    if (!form)
        return false;
    auto it = m_registered.constFind(foldKey(form->objectName()));
    return it != m_registered.constEnd() && it->data() == form;
}

void TNLanguage::TranslateForm(QWidget* form) {
    walkForm(
        form, [this](const QString& key) { return Lookup(key); }, true);
}

void TNLanguage::TranslateComponent(QObject* component) {
    walkComponent(
        component, [this](const QString& key) { return Lookup(key); }, true);
}

void TNLanguage::ClearTexts() {
    m_texts.clear();
    m_index.clear();
}

TNLanguage* Translator() {
    return translatorInstance().get();
}

TNLanguage* CreateTranslator() {
    auto& instance = translatorInstance();
    if (!instance) {
        instance = std::make_unique<TNLanguage>();
        instance->LoadLanguage(kLanguageFileName);
    }
    return instance.get();
}

QString Lookup(const QString& key) {
    if (TNLanguage* translator = Translator())
        return translator->Lookup(key);
    return QLatin1Char('?') + key + QLatin1Char('?');
}

QString ReadLanguageSetting() {
    return SettingsStore::readString(kLanguageKey, kLanguageValue).value_or(QString());
}

void WriteLanguageSetting(const QString& name) {
    SettingsStore::writeString(kLanguageKey, kLanguageValue, name, true);
}

QStringList TranslatableKeys(QWidget* form) {
    QStringList keys;
    walkForm(
        form,
        [&keys](const QString& key) {
            keys << key;
            return QString();
        },
        false);
    return keys;
}

void FillLanguageCombo(QComboBox* combo, bool& filling) {
    if (!combo)
        return;
    filling = true;
    combo->clear();
    if (TNLanguage* translator = Translator()) {
        combo->addItems(translator->LanguageNames());
        combo->setCurrentIndex(translator->LanguageNames().indexOf(translator->CurrentLanguage()));
    }
    filling = false;
}

bool ChangeLanguage(const QString& name, QWidget* mainWindow, const QString& fileName) {
    TNLanguage* translator = Translator();
    if (!translator || name == translator->CurrentLanguage())
        return false;
    translator->SetCurrentLanguage(name);
    WriteLanguageSetting(name);
    translator->LoadLanguage(fileName);
    if (mainWindow) {
        translator->UnregisterForm(mainWindow);
        translator->RegisterForm(mainWindow);
    }
    return true;
}
