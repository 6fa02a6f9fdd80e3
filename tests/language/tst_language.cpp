#include "LanguageFile.h"
#include "LanguageSource.h"
#include "N_Language.h"
#include "RunTool.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"
#include "TempSettings.h"
#include "TextCodec.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

using Entries = std::vector<std::pair<std::string, std::vector<std::string>>>;

QByteArray lngBytes(const std::vector<std::string>& names, const Entries& entries) {
    TLanguageFile file;
    file.Names = names;
    for (const auto& [key, texts] : entries)
        file.Entries.push_back({key, texts});
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!SerializeLanguageFile(file, bytes, error))
        qFatal("cannot build test file: %s", error.c_str());
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

QByteArray le32(std::int32_t v) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char((std::uint32_t(v) >> (8 * i)) & 0xFF);
    return out;
}

QByteArray str(const QByteArray& text) {
    return le32(std::int32_t(text.size())) + text;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Parses from a heap block of exactly the file's size, so that AddressSanitizer
// reports any read past the end.
TLanguageFileError parseExact(const QByteArray& bytes, TLanguageFile& out) {
    const std::size_t n = std::size_t(bytes.size());
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[n ? n : 1]);
    std::memcpy(exact.get(), bytes.constData(), n);
    return ParseLanguageFile(exact.get(), n, out);
}

TToolRun runCli(const QStringList& args) {
    return RunTool(QStringLiteral("nconfig-cli"), args);
}

QString shippedLng() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("NLanguage.lng"));
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& name) const { return m_dir->filePath(name); }

    // English/Deutsch file used by most translator tests.
    QString writeTwoLanguageFile() {
        const QString p = path(QStringLiteral("two.lng"));
        writeFile(p, lngBytes({"English", "Deutsch"}, {{"ErrorCRC",
                                                        {"Checksum error", "Pr\xfc"
                                                                           "fsummenfehler"}},
                                                       {"errorcrc", {"second entry", "zweiter Eintrag"}},
                                                       {"Read", {"Read", "Lesen"}},
                                                       {"MainForm", {"Configurator", "Konfigurator"}},
                                                       {"LanguageFileDamaged", {"Damaged", "Defekt"}}}));
        return p;
    }

private slots:
    void init() {
        m_settings = std::make_unique<TempSettings>();
        m_prompts = std::make_unique<ScriptedPrompts>();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() {
        m_prompts.reset();
        m_settings.reset();
        m_dir.reset();
    }

    // --- binary format ---------------------------------------------------------

    void parser_refusesMalformedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        using K = TLanguageFileError::Kind;
        const QByteArray names = le32(1) + str("English");
        QTest::newRow("empty file") << QByteArray() << int(K::Truncated);
        QTest::newRow("count cut short") << QByteArray("\x01\x00", 2) << int(K::Truncated);
        QTest::newRow("name length cut short")
            << le32(2) + str("En") + QByteArray("\x03\x00", 2) << int(K::Truncated);
        QTest::newRow("more names than bytes") << le32(2) + QByteArray("\x03", 1) << int(K::CountTooLarge);
        QTest::newRow("name shorter than its length") << le32(1) + le32(7) + "Engl" << int(K::Truncated);
        QTest::newRow("negative name length") << le32(1) + le32(-1) + le32(0) << int(K::NegativeLength);
        QTest::newRow("name of 256 bytes")
            << le32(1) + str(QByteArray(256, 'a')) + le32(0) << int(K::StringTooLong);
        QTest::newRow("huge language count") << le32(0x7FFFFFFF) + str("English") << int(K::CountTooLarge);
        QTest::newRow("entry count missing") << names << int(K::Truncated);
        QTest::newRow("huge entry count")
            << names + le32(0x7FFFFFFF) + str("Key") + str("Text") << int(K::CountTooLarge);
        QTest::newRow("fewer entries than counted")
            << names + le32(2) + str("Key") + str("Text") + str("Key2") << int(K::Truncated);
        QTest::newRow("text length cut short")
            << names + le32(1) + str("Key") + QByteArray(2, '\0') << int(K::Truncated);
        QTest::newRow("entry without room for its texts")
            << names + le32(1) + str("Key") << int(K::CountTooLarge);
        QTest::newRow("text of 1000 bytes")
            << names + le32(1) + str("Key") + str(QByteArray(1000, 'x')) << int(K::StringTooLong);
        QTest::newRow("negative text length")
            << names + le32(1) + str("Key") + le32(std::int32_t(0x80000000u)) << int(K::NegativeLength);
    }
    void parser_refusesMalformedFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        TLanguageFile file;
        const TLanguageFileError error = parseExact(bytes, file);
        QCOMPARE(int(error.kind), kind);
        QVERIFY(!error.describe().empty());
        QVERIFY(file.Names.empty());
        QVERIFY(file.Entries.empty());
    }

    void parser_refusesEveryTruncationOfAValidFile() {
        const QByteArray whole =
            lngBytes({"English", "Deutsch"}, {{"Read", {"Read", "Lesen"}}, {"OK", {"OK", "OK"}}});
        TLanguageFile file;
        QVERIFY(!parseExact(whole, file));
        QCOMPARE(file.Entries.size(), std::size_t(2));
        for (qsizetype n = 0; n < whole.size(); ++n) {
            TLanguageFile part;
            QVERIFY2(bool(parseExact(whole.left(n), part)), qPrintable(QStringLiteral("prefix %1").arg(n)));
        }
    }

    void parser_acceptsEdgesOfTheFormat() {
        // Counts of 0 or less mean none; 255-byte strings are allowed.
        TLanguageFile file;
        QVERIFY(!parseExact(le32(-5) + le32(-1), file));
        QVERIFY(file.Names.empty() && file.Entries.empty());
        QCOMPARE(file.RawLanguageCount, -5);

        const std::string longest(255, 'z');
        QVERIFY(!parseExact(lngBytes({longest}, {{longest, {longest}}}), file));
        QCOMPARE(file.Entries.at(0).Texts.at(0), longest);

        // A chooser keeps one column only.
        const QByteArray two = lngBytes({"A", "B"}, {{"k", {"a", "b"}}});
        QVERIFY(!ParseLanguageFile(reinterpret_cast<const std::uint8_t*>(two.constData()),
                                   std::size_t(two.size()), file,
                                   [](const std::vector<std::string>&) { return 1; }));
        QCOMPARE(file.Entries.at(0).Texts, std::vector<std::string>{"b"});
    }

    void serializer_refusesOverlongStrings() {
        TLanguageFile file;
        file.Names = {"English"};
        file.Entries.push_back({"Key", {std::string(256, 'x')}});
        std::vector<std::uint8_t> bytes;
        std::string error;
        QVERIFY(!SerializeLanguageFile(file, bytes, error));
        QVERIFY(error.find("256") != std::string::npos);
    }

    // --- loading -------------------------------------------------------------------

    void rememberedLanguage_picksItsColumnCaseSensitively_data() {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("comboIndex");
        QTest::newRow("Deutsch") << "Deutsch"
                                 << "Deutsch" << QString::fromUtf8("Prüfsummenfehler") << 1;
        QTest::newRow("deutsch (lower case)") << "deutsch"
                                              << "English"
                                              << "Checksum error" << 0;
        QTest::newRow("nothing remembered") << QString() << "English"
                                            << "Checksum error" << 0;
    }
    void rememberedLanguage_picksItsColumnCaseSensitively() {
        QFETCH(QString, remembered);
        QFETCH(QString, current);
        QFETCH(QString, text);
        if (!remembered.isEmpty())
            WriteLanguageSetting(remembered);
        TNLanguage language;
        language.LoadLanguage(writeTwoLanguageFile());
        QVERIFY(m_prompts->shown.isEmpty());
        QCOMPARE(language.LanguageNames(), (QStringList{"English", "Deutsch"}));
        QCOMPARE(language.CurrentLanguage(), current);
        QCOMPARE(language.Lookup(QStringLiteral("ErrorCRC")), text);
    }

    void fillLanguageCombo_listsNamesAndSelectsCurrent_data() {
        rememberedLanguage_picksItsColumnCaseSensitively_data();
    }
    void fillLanguageCombo_listsNamesAndSelectsCurrent() {
        QFETCH(QString, remembered);
        QFETCH(int, comboIndex);
        if (!remembered.isEmpty())
            WriteLanguageSetting(remembered);
        const QString file = writeTwoLanguageFile();
        TNLanguage* translator = CreateTranslator();
        translator->LoadLanguage(file);
        QComboBox combo;
        bool filling = false;
        int changesWhileFilling = 0;
        connect(&combo, &QComboBox::currentIndexChanged, &combo,
                [&] { changesWhileFilling += filling ? 1 : 0; });
        FillLanguageCombo(&combo, filling);
        QVERIFY(!filling);
        QVERIFY(changesWhileFilling > 0); // the guard was up while the combo changed
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(1), QStringLiteral("Deutsch"));
        QCOMPARE(combo.currentIndex(), comboIndex);
    }

    void lastOfEqualNames_counts() {
        WriteLanguageSetting(QStringLiteral("Same"));
        const QString p = path(QStringLiteral("same.lng"));
        writeFile(p, lngBytes({"Same", "Other", "Same"}, {{"K", {"first", "other", "last"}}}));
        TNLanguage language;
        language.LoadLanguage(p);
        QCOMPARE(language.Lookup(QStringLiteral("K")), QStringLiteral("last"));
    }

    void fileWithoutLanguages_givesEmptyComboAndFallbacks() {
        const QString p = path(QStringLiteral("none.lng"));
        writeFile(p, le32(0) + le32(1) + str("Read"));
        TNLanguage* translator = CreateTranslator();
        translator->LoadLanguage(writeTwoLanguageFile());
        translator->LoadLanguage(p);
        QVERIFY(m_prompts->shown.isEmpty());
        QVERIFY(translator->LanguageNames().isEmpty());
        // Without a name there is no column to take the current language from.
        QCOMPARE(translator->CurrentLanguage(), QStringLiteral("English"));
        QCOMPARE(translator->Lookup(QStringLiteral("Read")), QStringLiteral("?Read?"));
        QComboBox combo;
        combo.addItem(QStringLiteral("stale"));
        bool filling = false;
        FillLanguageCombo(&combo, filling);
        QCOMPARE(combo.count(), 0);
    }

    void lookup_ignoresCaseAndFirstEntryWins() {
        TNLanguage language;
        language.LoadLanguage(writeTwoLanguageFile());
        QCOMPARE(language.Lookup(QStringLiteral("errorcrc")), QStringLiteral("Checksum error"));
        QCOMPARE(language.Lookup(QStringLiteral("ERRORCRC")), QStringLiteral("Checksum error"));
        QVERIFY(language.HasText(QStringLiteral("eRRorCrc")));
    }

    void lookup_missingKeyGivesStoredFallback() {
        TNLanguage language;
        language.LoadLanguage(writeTwoLanguageFile());
        const int before = language.TextCount();
        QCOMPARE(language.Lookup(QStringLiteral("NoSuchKey")), QStringLiteral("?NoSuchKey?"));
        QCOMPARE(language.Lookup(QStringLiteral("nosuchkey")), QStringLiteral("?NoSuchKey?"));
        QCOMPARE(language.TextCount(), before + 1);
        QVERIFY(!language.HasText(QStringLiteral("NoSuchKey")));
        // The next load forgets it.
        language.LoadLanguage(writeTwoLanguageFile());
        QCOMPARE(language.TextCount(), before);
    }

    void missingFile_showsUntranslatedMessageAndKeepsTexts() {
        TNLanguage language;
        WriteLanguageSetting(QStringLiteral("Deutsch"));
        language.LoadLanguage(writeTwoLanguageFile());
        language.LoadLanguage(path(QStringLiteral("absent.lng")));
        QCOMPARE(m_prompts->texts(), QStringList{QStringLiteral("Language file not found")});
        QCOMPARE(language.Lookup(QStringLiteral("Read")), QStringLiteral("Lesen"));
        QCOMPARE(language.LanguageNames().size(), 2);
        QCOMPARE(language.CurrentLanguage(), QStringLiteral("Deutsch"));
    }

    void damagedFile_isRefusedWithOneMessage_data() {
        QTest::addColumn<bool>("loadedBefore");
        QTest::addColumn<QString>("message");
        QTest::newRow("texts loaded: translated") << true << "Damaged";
        QTest::newRow("nothing loaded: plain") << false << "The language file is damaged or cannot be read.";
    }
    void damagedFile_isRefusedWithOneMessage() {
        QFETCH(bool, loadedBefore);
        QFETCH(QString, message);
        TNLanguage language;
        if (loadedBefore)
            language.LoadLanguage(writeTwoLanguageFile());
        const QString p = path(QStringLiteral("bad.lng"));
        // Valid names, then a text that claims more bytes than the file has.
        writeFile(p,
                  le32(1) + str("Broken") + le32(3) + str("Read") + str("X") + str("OK") + le32(200) + "abc");
        language.LoadLanguage(p);
        QCOMPARE(m_prompts->shown.size(), 1);
        QVERIFY2(m_prompts->shown[0].text.startsWith(message), qPrintable(m_prompts->shown[0].text));
        QVERIFY(!language.LanguageNames().contains(QStringLiteral("Broken")));
        if (loadedBefore)
            QCOMPARE(language.Lookup(QStringLiteral("Read")), QStringLiteral("Read"));
        else
            QCOMPARE(language.Lookup(QStringLiteral("Read")), QStringLiteral("?Read?"));
    }

    void languageSetting_readingDoesNotCreateTheKey() {
        QCOMPARE(ReadLanguageSetting(), QString());
        QVERIFY(!SettingsStore::keyExists(QStringLiteral("Software\\Amassor")));
        WriteLanguageSetting(QStringLiteral("Deutsch"));
        QCOMPARE(ReadLanguageSetting(), QStringLiteral("Deutsch"));
        QCOMPARE(SettingsStore::readString(QStringLiteral("Software\\Amassor"), QStringLiteral("Language"))
                     .value_or(""),
                 QStringLiteral("Deutsch"));
    }

    // --- translating windows ----------------------------------------------------

    void translateForm_setsCaptionsByControlKind_data() {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("expected");
        QTest::newRow("window caption") << "MainFormFrm"
                                        << "T:MainForm";
        QTest::newRow("button") << "ReadBtn"
                                << "T:Read";
        QTest::newRow("label") << "ConnectedLab"
                               << "T:Connected";
        QTest::newRow("label with short key") << "p1Lab"
                                              << "T:p1";
        QTest::newRow("NoLang label keeps design caption") << "NoLangLb1"
                                                           << "+";
        QTest::newRow("blinking label untouched") << "NewEventBlinkLabel"
                                                  << "design";
        QTest::newRow("label on skipped panel") << "p2Lab"
                                                << "T:p2";
        QTest::newRow("panel untouched") << "NoLangFwStepsPnl"
                                         << "design";
        QTest::newRow("group box") << "siaIpSettingsGrp"
                                   << "T:siaIpSettings";
        QTest::newRow("NoLang group box") << "NoLangGroupBox1"
                                          << "design";
        QTest::newRow("NoText group box") << "NoTextGrp"
                                          << "design";
        QTest::newRow("check box") << "ReadAfterConnectChk"
                                   << "T:ReadAfterConnect";
        QTest::newRow("radio button") << "DirectRdb"
                                      << "T:Direct";
        QTest::newRow("speed button") << "ApplySbt"
                                      << "T:Apply";
        QTest::newRow("page of the page stack") << "MainTbs"
                                                << "T:Main";
        QTest::newRow("top-level menu") << "FileMenuMmi"
                                        << "T:FileMenu";
        QTest::newRow("menu item") << "ExitMenuMmi"
                                   << "T:ExitMenu";
        QTest::newRow("menu separator") << "NoNameMmi"
                                        << "";
        QTest::newRow("edit untouched") << "AccountNameEdt"
                                        << "design";
        QTest::newRow("tree node") << "tree:0"
                                   << "T:MainTvi";
        QTest::newRow("child tree node") << "tree:1"
                                         << "T:SettingsTvi";
        QTest::newRow("node without key") << "tree:2"
                                          << "design";
        QTest::newRow("grid header") << "header:0"
                                     << "T:Event";
        QTest::newRow("grid header without name") << "header:1"
                                                  << "design";
        QTest::newRow("unnamed label") << "unnamed"
                                       << "design";
        QTest::newRow("Qt-internal label") << "qt_label"
                                           << "design";
        QTest::newRow("line edit's own clear action") << "_q_qlineeditclearaction"
                                                      << "";
    }
    void translateForm_setsCaptionsByControlKind() {
        QFETCH(QString, object);
        QFETCH(QString, expected);
        auto form = buildWindow();
        TNLanguage language;
        loadPrefixed(language);
        language.TranslateForm(form.get());
        QCOMPARE(captionOf(form.get(), object), expected);
    }

    void translatableKeys_listsExactlyWhatTheTranslatorLooksUp() {
        auto form = buildWindow();
        const QStringList before = captionsOf(form.get());
        const QStringList keys = TranslatableKeys(form.get());
        QCOMPARE(captionsOf(form.get()), before); // listing changes nothing
        QCOMPARE(keys, (QStringList{"MainForm", "FileMenu", "ExitMenu", "Read", "Connected", "p1", "p2",
                                    "siaIpSettings", "ReadAfterConnect", "Direct", "Apply", "Main", "MainTvi",
                                    "SettingsTvi", "Event"}));
        // Every key listed is looked up by a translation, and no other.
        TNLanguage language;
        loadPrefixed(language);
        const int before2 = language.TextCount();
        language.TranslateForm(form.get());
        QCOMPARE(language.TextCount(), before2); // all of them had texts: no fallback was added
    }

    void registerForm_translatesOncePerRegistration() {
        auto form = buildWindow();
        TNLanguage language;
        loadPrefixed(language);
        language.RegisterForm(form.get());
        auto* read = form->findChild<QPushButton*>(QStringLiteral("ReadBtn"));
        QCOMPARE(read->text(), QStringLiteral("T:Read"));
        read->setText(QStringLiteral("changed"));
        form->setObjectName(QStringLiteral("mainformFRM")); // names compare without case
        language.RegisterForm(form.get());
        QCOMPARE(read->text(), QStringLiteral("changed"));
        language.UnregisterForm(form.get());
        QVERIFY(!language.IsRegistered(form.get()));
        language.RegisterForm(form.get());
        QCOMPARE(read->text(), QStringLiteral("T:Read"));
    }

    void registerForm_newWindowOfSameNameIsTranslated() {
        TNLanguage language;
        loadPrefixed(language);
        auto first = buildWindow();
        language.RegisterForm(first.get());
        first.reset(); // destroyed without unregistering
        auto second = buildWindow();
        language.RegisterForm(second.get());
        QCOMPARE(second->findChild<QPushButton*>(QStringLiteral("ReadBtn"))->text(),
                 QStringLiteral("T:Read"));
    }

    void changeLanguage_reloadsAndRetranslatesTheWindow() {
        const QString file = writeTwoLanguageFile();
        TNLanguage* translator = CreateTranslator();
        translator->LoadLanguage(file);
        QCOMPARE(translator->CurrentLanguage(), QStringLiteral("English"));
        auto form = buildWindow();
        translator->RegisterForm(form.get());
        QCOMPARE(form->windowTitle(), QStringLiteral("Configurator"));

        QVERIFY(ChangeLanguage(QStringLiteral("Deutsch"), form.get(), file));
        QCOMPARE(ReadLanguageSetting(), QStringLiteral("Deutsch"));
        QCOMPARE(translator->CurrentLanguage(), QStringLiteral("Deutsch"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Konfigurator"));
        QCOMPARE(form->findChild<QPushButton*>(QStringLiteral("ReadBtn"))->text(), QStringLiteral("Lesen"));
        QCOMPARE(Lookup(QStringLiteral("ErrorCRC")), QString::fromUtf8("Prüfsummenfehler"));
        QVERIFY(m_prompts->shown.isEmpty());
        translator->UnregisterForm(form.get());
    }

    void changeLanguage_toTheCurrentOneDoesNothing() {
        TNLanguage* translator = CreateTranslator();
        translator->LoadLanguage(writeTwoLanguageFile());
        const QString current = translator->CurrentLanguage();
        const int texts = translator->TextCount();
        auto form = buildWindow();
        // A reload would report the missing file; a new translation would retitle the window.
        QVERIFY(!ChangeLanguage(current, form.get(), path(QStringLiteral("absent.lng"))));
        QVERIFY(m_prompts->shown.isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral("design"));
        QCOMPARE(translator->TextCount(), texts);
        QVERIFY(!SettingsStore::keyExists(QStringLiteral("Software\\Amassor")));
        // Another language does reload: the same call with it shows the message.
        QVERIFY(ChangeLanguage(QStringLiteral("Deutsch"), form.get(), path(QStringLiteral("absent.lng"))));
        QCOMPARE(m_prompts->texts(), QStringList{QStringLiteral("Language file not found")});
        translator->UnregisterForm(form.get());
    }

    // --- the tool and the shipped file --------------------------------------------

    void tool_roundTripIsByteIdentical_data() {
        QTest::addColumn<QByteArray>("source");
        QFile shipped(QStringLiteral(NCONFIG_LANGUAGE_SOURCE));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QTest::newRow("shipped source") << shipped.readAll();
        QTest::newRow("escapes and special bytes")
            << QByteArray("Key\tOne\tTwo\\tTabbed\n"
                          "Multi\tline one\\nline two\\r\\n\tback\\\\slash\n"
                          "\\&\tempty key\t\n"
                          "Raw\t\\x01\\x81\\x7f\\xff\t\xe2\x82\xac uro \xc3\xa4\n"
                          "Spaces\t  lead and trail  \t \n");
        QTest::newRow("no languages") << QByteArray("Key\nOnlyKey\n\\&\n");
    }
    void tool_roundTripIsByteIdentical() {
        QFETCH(QByteArray, source);
        writeFile(path(QStringLiteral("a.tsv")), source);
        const TToolRun built = runCli({"lang", "build", path("a.tsv"), path("a.lng")});
        QVERIFY2(built.exitCode == 0, qPrintable(built.err));
        const TToolRun dumped = runCli({"lang", "dump", path("a.lng")});
        QVERIFY2(dumped.exitCode == 0, qPrintable(dumped.err));
        writeFile(path(QStringLiteral("b.tsv")), dumped.outBytes);
        const TToolRun rebuilt = runCli({"lang", "build", path("b.tsv"), path("b.lng")});
        QVERIFY2(rebuilt.exitCode == 0, qPrintable(rebuilt.err));
        QCOMPARE(readFile(path("b.lng")), readFile(path("a.lng")));
        QVERIFY(!readFile(path("a.lng")).isEmpty());
    }

    void tool_checkListsEachProblem_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("problem");
        QTest::newRow("missing text")
            << QByteArray("Key\tEnglish\tDeutsch\nRead\tRead\t\n") << "no text in Deutsch";
        QTest::newRow("missing cell")
            << QByteArray("Key\tEnglish\tDeutsch\nRead\tRead\n") << "no text in Deutsch";
        QTest::newRow("twice, other case") << QByteArray("Key\tEnglish\nRead\tRead\nREAD\tAgain\n")
                                           << "line 3: key \"READ\" is present twice";
        QTest::newRow("too long") << QByteArray("Key\tEnglish\nLong\t") + QByteArray(256, 'a') + "\n"
                                  << "text of \"Long\" in English is 256 bytes";
        QTest::newRow("bad escape") << QByteArray("Key\tEnglish\nK\ta\\qb\n") << "unknown escape \\q";
        QTest::newRow("character outside the code page")
            << QByteArray("Key\tEnglish\nK\t\xe4\xb8\xad\n") << "has no byte in the code page";
        QTest::newRow("too many cells") << QByteArray("Key\tEnglish\nK\ta\tb\n") << "2 texts for 1 languages";
    }
    void tool_checkListsEachProblem() {
        QFETCH(QByteArray, source);
        QFETCH(QString, problem);
        writeFile(path(QStringLiteral("c.tsv")), source);
        const TToolRun result = runCli({"lang", "check", path("c.tsv")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.out.contains(problem), qPrintable(result.out));
    }

    void tool_buildRefusesBadSourceWithoutWritingAFile() {
        writeFile(path(QStringLiteral("bad.tsv")), "Key\tEnglish\nLong\t" + QByteArray(300, 'a') + "\n");
        const TToolRun result = runCli({"lang", "build", path("bad.tsv"), path("bad.lng")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(!QFileInfo::exists(path("bad.lng")));
    }

    void tool_usageErrorsExitWithTwo_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no subcommand") << QStringList{"lang"};
        QTest::newRow("unknown subcommand") << QStringList{"lang", "frobnicate"};
        QTest::newRow("build without output") << QStringList{"lang", "build", "x.tsv"};
        QTest::newRow("dump with two files") << QStringList{"lang", "dump", "a", "b"};
        QTest::newRow("check without file") << QStringList{"lang", "check"};
    }
    void tool_usageErrorsExitWithTwo() {
        QFETCH(QStringList, args);
        QCOMPARE(runCli(args).exitCode, 2);
    }

    void tool_dumpRefusesDamagedFile() {
        writeFile(path(QStringLiteral("d.lng")), le32(1) + le32(300));
        const TToolRun result = runCli({"lang", "dump", path("d.lng")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.out.isEmpty());
        const TToolRun checked = runCli({"lang", "check", path("d.lng")});
        QCOMPARE(checked.exitCode, 1);
        QVERIFY(checked.out.contains(QStringLiteral("damaged")));
    }

    void shippedSource_passesCheck() {
        const TToolRun source = runCli({"lang", "check", QStringLiteral(NCONFIG_LANGUAGE_SOURCE)});
        QVERIFY2(source.exitCode == 0, qPrintable(source.out));
        const TToolRun built = runCli({"lang", "check", shippedLng()});
        QVERIFY2(built.exitCode == 0, qPrintable(built.out));
    }

    // AccessCodeEdt ("012") is the user code and AccessCode2Edt ("028") the installer
    // code that gives full access: their captions must not swap the roles.
    void shippedTexts_nameTheTwoCodeFieldsByTheirRole_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("installer");
        QTest::newRow("English") << "English"
                                 << "User"
                                 << "Installer";
        QTest::newRow("Deutsch") << "Deutsch"
                                 << "Benutzer"
                                 << "Errichter";
    }
    void shippedTexts_nameTheTwoCodeFieldsByTheirRole() {
        QFETCH(QString, language);
        QFETCH(QString, user);
        QFETCH(QString, installer);
        WriteLanguageSetting(language);
        TNLanguage translator;
        translator.LoadLanguage(shippedLng());
        QCOMPARE(translator.CurrentLanguage(), language);
        QVERIFY2(translator.Lookup(QStringLiteral("AccessCode1")).startsWith(user),
                 qPrintable(translator.Lookup(QStringLiteral("AccessCode1"))));
        QVERIFY2(translator.Lookup(QStringLiteral("AccessCode2")).startsWith(installer),
                 qPrintable(translator.Lookup(QStringLiteral("AccessCode2"))));
    }

    void everyKeyLookedUpInCode_hasTextInEveryShippedLanguage() {
        // Literal forms: Lookup("X"), Lookup(QStringLiteral("X")), Lookup(QString("X")),
        // Lookup(u"X"_s), Lookup(QLatin1String("X")), Lookup(QString::fromLatin1("X"))...
        static const QRegularExpression call(QStringLiteral(
            "\\bLookup\\s*\\(\\s*(?:[A-Za-z_][A-Za-z0-9_:]*\\s*\\(\\s*)?u?\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
        // Errors whose message is a key the window shows through Lookup: EPacketError("X"),
        // EFirmwareError("X").
        static const QRegularExpression error(
            QStringLiteral("\\bE[A-Z][A-Za-z]*Error\\s*\\(\\s*\"([A-Za-z0-9_&/]+)\""));
        QSet<QString> keys;
        QDirIterator it(QStringLiteral(NCONFIG_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString text = QString::fromUtf8(readFile(file));
            for (const auto* pattern : {&call, &error})
                for (auto m = pattern->globalMatch(text); m.hasNext();)
                    keys.insert(m.next().captured(1));
        }
        QVERIFY2(keys.contains(QStringLiteral("LanguageFileDamaged")),
                 "the scan found none of the known look-ups");

        TLanguageFile file;
        const QByteArray bytes = readFile(shippedLng());
        QVERIFY2(!parseExact(bytes, file), "NLanguage.lng beside the tests is missing or damaged");
        QVERIFY(file.Names.size() >= 2);
        QHash<QString, const TLanguageEntry*> byKey;
        for (const auto& entry : file.Entries) {
            const QString folded = TextCodec::toQString(entry.Key).toCaseFolded();
            if (!byKey.contains(folded))
                byKey.insert(folded, &entry);
        }
        QStringList missing;
        for (const QString& key : std::as_const(keys)) {
            const TLanguageEntry* entry = byKey.value(key.toCaseFolded());
            for (std::size_t i = 0; i < file.Names.size(); ++i)
                if (!entry || entry->Texts[i].empty())
                    missing << QStringLiteral("%1 (%2)").arg(key, TextCodec::toQString(file.Names[i]));
        }
        missing.sort();
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringLiteral("keys without text: ") + missing.join(QStringLiteral(", "))));
    }

private:
    // Loads a file whose texts are "T:" + key for every key the test window uses.
    void loadPrefixed(TNLanguage& language) {
        Entries entries;
        for (const char* key :
             {"MainForm",         "Read",        "Connected",    "p1",     "p2",       "siaIpSettings",
              "ReadAfterConnect", "Direct",      "Apply",        "Main",   "FileMenu", "ExitMenu",
              "MainTvi",          "SettingsTvi", "Event",        "NoLang", "NoText",   "NewEventBlink",
              "AccountName",      "NoName",      "NoLangFwSteps"})
            entries.push_back({key, {std::string("T:") + key}});
        const QString p = path(QStringLiteral("prefixed.lng"));
        writeFile(p, lngBytes({"Test"}, entries));
        language.LoadLanguage(p);
    }

    static std::unique_ptr<QMainWindow> buildWindow() {
        auto form = std::make_unique<QMainWindow>();
        form->setObjectName(QStringLiteral("MainFormFrm"));
        form->setWindowTitle(QStringLiteral("design"));
        auto* menuBar = new QMenuBar(form.get());
        form->setMenuBar(menuBar);
        auto* fileMenu = menuBar->addMenu(QStringLiteral("design"));
        fileMenu->setObjectName(QStringLiteral("FileMenuMmi"));
        QAction* separator = fileMenu->addSeparator();
        separator->setObjectName(QStringLiteral("NoNameMmi"));
        auto* exit = new QAction(QStringLiteral("design"), fileMenu);
        exit->setObjectName(QStringLiteral("ExitMenuMmi"));
        fileMenu->addAction(exit);

        auto* central = new QWidget(form.get());
        form->setCentralWidget(central);
        const auto make = [central](auto* widget, const char* name, const char* text = "design") {
            widget->setObjectName(QString::fromLatin1(name));
            if constexpr (requires { widget->setText(QString()); })
                widget->setText(QString::fromLatin1(text));
            return widget;
        };
        make(new QPushButton(central), "ReadBtn");
        make(new QLabel(central), "ConnectedLab");
        make(new QLabel(central), "p1Lab", "1.");
        make(new QLabel(central), "NoLangLb1", "+");
        make(new QLabel(central), "NewEventBlinkLabel");
        auto* panel = make(new QFrame(central), "NoLangFwStepsPnl");
        panel->setWindowTitle(QStringLiteral("design"));
        make(new QLabel(panel), "p2Lab", "2.");
        auto* group = make(new QGroupBox(QStringLiteral("design"), central), "siaIpSettingsGrp");
        make(new QGroupBox(QStringLiteral("design"), group), "NoLangGroupBox1");
        make(new QGroupBox(QStringLiteral("design"), group), "NoTextGrp");
        make(new QCheckBox(central), "ReadAfterConnectChk");
        make(new QRadioButton(central), "DirectRdb");
        make(new QToolButton(central), "ApplySbt");
        make(new QLineEdit(central), "AccountNameEdt")->setClearButtonEnabled(true);
        auto* stack = make(new QStackedWidget(central), "MainPageControl");
        auto* page = make(new QWidget(stack), "MainTbs");
        page->setWindowTitle(QStringLiteral("design"));
        stack->addWidget(page);
        auto* tree = make(new QTreeWidget(central), "MainTreeView");
        auto* main = new QTreeWidgetItem(tree, {QStringLiteral("design")});
        main->setData(0, Qt::UserRole, QStringLiteral("MainTvi"));
        auto* settings = new QTreeWidgetItem(main, {QStringLiteral("design")});
        settings->setData(0, Qt::UserRole, QStringLiteral("SettingsTvi"));
        new QTreeWidgetItem(tree, {QStringLiteral("design")});
        auto* grid = make(new QTableWidget(0, 2, central), "SpecialEventCodesGrd");
        auto* event = new QTableWidgetItem(QStringLiteral("design"));
        event->setData(Qt::UserRole, QStringLiteral("EventNxc"));
        grid->setHorizontalHeaderItem(0, event);
        grid->setHorizontalHeaderItem(1, new QTableWidgetItem(QStringLiteral("design")));
        new QLabel(QStringLiteral("design"), central); // unnamed
        make(new QLabel(central), "qt_label");
        return form;
    }

    static QString captionOf(QMainWindow* form, const QString& object) {
        if (object == QLatin1String("MainFormFrm"))
            return form->windowTitle();
        if (object.startsWith(QLatin1String("tree:"))) {
            auto* tree = form->findChild<QTreeWidget*>(QStringLiteral("MainTreeView"));
            const int n = object.mid(5).toInt();
            QTreeWidgetItem* item = n == 0   ? tree->topLevelItem(0)
                                    : n == 1 ? tree->topLevelItem(0)->child(0)
                                             : tree->topLevelItem(1);
            return item->text(0);
        }
        if (object.startsWith(QLatin1String("header:")))
            return form->findChild<QTableWidget*>()->horizontalHeaderItem(object.mid(7).toInt())->text();
        if (object == QLatin1String("unnamed")) {
            for (auto* label : form->findChildren<QLabel*>())
                if (label->objectName().isEmpty())
                    return label->text();
        }
        QObject* o = form->findChild<QObject*>(object);
        if (!o)
            return QStringLiteral("<no %1>").arg(object);
        if (auto* l = qobject_cast<QLabel*>(o))
            return l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(o))
            return b->text();
        if (auto* g = qobject_cast<QGroupBox*>(o))
            return g->title();
        if (auto* m = qobject_cast<QMenu*>(o))
            return m->title();
        if (auto* a = qobject_cast<QAction*>(o))
            return a->text();
        if (auto* e = qobject_cast<QLineEdit*>(o))
            return e->text();
        return qobject_cast<QWidget*>(o)->windowTitle();
    }

    static QStringList captionsOf(QMainWindow* form) {
        QStringList out;
        for (const char* name : {"MainFormFrm", "ReadBtn", "ConnectedLab", "p2Lab", "MainTbs", "tree:0",
                                 "header:0", "FileMenuMmi", "ExitMenuMmi"})
            out << captionOf(form, QString::fromLatin1(name));
        return out;
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
