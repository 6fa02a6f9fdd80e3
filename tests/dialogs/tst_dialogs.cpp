// The access code dialog, the wait window and the About window.

#include "AboutPictures.h"
#include "AccessCodeForm.h"
#include "LanguageFile.h"
#include "N_About.h"
#include "N_Language.h"
#include "N_WaitForm.h"
#include "ScriptedPrompts.h"
#include "TempSettings.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString kShippedFile = QStringLiteral("NLanguage.lng");

// A main window stand-in: the busy area and the link state the wait window follows.
class FakeMainWindow : public QWidget, public IWaitHost {
public:
    FakeMainWindow() {
        setObjectName(QStringLiteral("MainFormFrm"));
        resize(847, 591);
        for (const char* name : {"ButtonsPnl", "MainTreeView", "MainPageControl"}) {
            auto* part = new QWidget(this);
            part->setObjectName(QLatin1String(name));
            busy.append(part);
        }
        other = new QWidget(this);
        other->setObjectName(QStringLiteral("StatusBar"));
    }
    QWidget* WaitParent() override { return this; }
    QList<QWidget*> BusyArea() override { return busy; }
    bool LinkIdle() override { return idle; }

    bool busyAreaEnabled() const {
        bool all = true;
        for (QWidget* part : busy)
            all = all && part->isEnabled();
        return all;
    }
    bool busyAreaDisabled() const {
        for (QWidget* part : busy)
            if (part->isEnabled())
                return false;
        return true;
    }

    bool idle = true;
    QList<QWidget*> busy;
    QWidget* other = nullptr;
};

// Waits for the next tick of the wait window's timer. The window's own handler
// runs before the spy sees the tick, so after a true return the tick's outcome
// is visible.
bool waitForTick(TNWaitFrm* form) {
    auto* timer = form->findChild<QTimer*>(QStringLiteral("CheckStateTmr"));
    if (!timer)
        return false;
    QSignalSpy spy(timer, &QTimer::timeout);
    return spy.wait(2000);
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private:
    TempSettings m_settings;
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedPrompts> m_prompts;

    static void loadShipped(const QString& language = QStringLiteral("English")) {
        WriteLanguageSetting(language);
        Translator()->LoadLanguage(kShippedFile);
    }
    // Loads a one-language file holding just these texts.
    void loadTexts(const QList<QPair<QString, QString>>& texts) {
        TLanguageFile file;
        file.Names = {"Test"};
        for (const auto& [key, text] : texts)
            file.Entries.push_back({key.toStdString(), {text.toStdString()}});
        std::vector<std::uint8_t> bytes;
        std::string error;
        QVERIFY2(SerializeLanguageFile(file, bytes, error), error.c_str());
        const QString path = m_dir.filePath(QStringLiteral("test.lng"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        out.close();
        Translator()->LoadLanguage(path);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(CreateTranslator());
        QVERIFY(QFile::exists(QDir(QCoreApplication::applicationDirPath()).filePath(kShippedFile)));
        loadShipped();
    }
    void init() { m_prompts = std::make_unique<ScriptedPrompts>(); }
    void cleanup() {
        m_prompts.reset();
        loadShipped();
    }

    // ---- access code dialog ------------------------------------------------

    void askAccessCode_prefillsTypesAndReturnsWireCode_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("replace"); // select the prefill before typing
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("toggleRemember");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("resultCode");
        QTest::addColumn<bool>("resultRemember");

        QTest::newRow("remembered 123400 offered as 1234, returned unchanged")
            << "123400" << true << false << "" << false << "1234"
            << "123400" << true;
        QTest::newRow("remembered 123456 offered whole, returned unchanged")
            << "123456" << true << false << "" << false << "123456"
            << "123456" << true;
        QTest::newRow("remember off: empty field, four digits get 00, box state returned")
            << "123400" << false << false << "5678" << true << ""
            << "567800" << true;
        QTest::newRow("remember off, box left clear") << "817260" << false << false << "4321" << false << ""
                                                      << "432100" << false;
        QTest::newRow("fifth typed character refused") << "" << false << false << "12345" << false << ""
                                                       << "123400" << false;
        QTest::newRow("only digits accepted") << "" << false << false << "1a-2 +3.4" << false << ""
                                              << "123400" << false;
        QTest::newRow("replacing a six-character code takes four digits")
            << "123456" << true << true << "98765" << false << "123456"
            << "987600" << true;
        QTest::newRow("unticking remember on a remembered code")
            << "246800" << true << false << "" << true << "2468"
            << "246800" << false;
    }
    void askAccessCode_prefillsTypesAndReturnsWireCode() {
        QFETCH(QString, code);
        QFETCH(bool, remember);
        QFETCH(bool, replace);
        QFETCH(QString, typed);
        QFETCH(bool, toggleRemember);
        QFETCH(QString, offered);
        QFETCH(QString, resultCode);
        QFETCH(bool, resultRemember);

        QString seen = QStringLiteral("<not shown>");
        bool seenRemember = !remember;
        m_prompts->dialogScripts.push_back([&](QDialog& d) {
            d.show();
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("AccessCodeEdt"));
            auto* check = d.findChild<QCheckBox*>(QStringLiteral("RememberChk"));
            auto* ok = d.findChild<QPushButton*>(QStringLiteral("OKBtn"));
            if (!edit || !check || !ok)
                return int(QDialog::Rejected);
            seen = edit->text();
            seenRemember = check->isChecked();
            if (replace)
                edit->selectAll();
            else
                edit->end(false);
            QTest::keyClicks(edit, typed);
            if (toggleRemember)
                check->click();
            QTest::mouseClick(ok, Qt::LeftButton);
            return d.result();
        });

        std::string wire = code.toStdString();
        bool flag = remember;
        QVERIFY(AskAccessCode(wire, flag));
        QCOMPARE(seen, offered);
        QCOMPARE(seenRemember, remember);
        QCOMPARE(QString::fromStdString(wire), resultCode);
        QCOMPARE(flag, resultRemember);
        QVERIFY(m_prompts->texts(QStringLiteral("message")).isEmpty());
    }

    void askAccessCode_emptyRememberedCodeOffersZero() {
        QString seen;
        m_prompts->dialogScripts.push_back([&](QDialog& d) {
            seen = d.findChild<QLineEdit*>(QStringLiteral("AccessCodeEdt"))->text();
            return int(QDialog::Rejected);
        });
        std::string wire;
        bool flag = true;
        QVERIFY(!AskAccessCode(wire, flag));
        QCOMPARE(seen, QStringLiteral("0"));
    }

    void okWithWrongLength_saysSoAndStaysOpen_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<int>("backspaces");
        QTest::addColumn<QString>("typed");

        QTest::newRow("three digits") << "" << false << 0 << "123";
        QTest::newRow("empty field") << "" << false << 0 << "";
        QTest::newRow("five left of a six-character code") << "123456" << true << 1 << "";
        QTest::newRow("the single 0 offered for no code") << "" << true << 0 << "";
    }
    void okWithWrongLength_saysSoAndStaysOpen() {
        QFETCH(QString, code);
        QFETCH(bool, remember);
        QFETCH(int, backspaces);
        QFETCH(QString, typed);

        bool openAfterRefusal = false;
        int messagesAfterRefusal = -1;
        m_prompts->dialogScripts.push_back([&](QDialog& d) {
            d.show();
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("AccessCodeEdt"));
            auto* ok = d.findChild<QPushButton*>(QStringLiteral("OKBtn"));
            edit->end(false);
            for (int i = 0; i < backspaces; ++i)
                QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, typed);
            ok->click();
            openAfterRefusal = d.isVisible() && d.result() == QDialog::Rejected;
            messagesAfterRefusal = int(m_prompts->texts(QStringLiteral("message")).size());
            // The user corrects the code and confirms with Enter.
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("9876"));
            QTest::keyClick(edit, Qt::Key_Return);
            return d.result();
        });

        std::string wire = code.toStdString();
        bool flag = remember;
        QVERIFY(AskAccessCode(wire, flag));
        QVERIFY(openAfterRefusal);
        QCOMPARE(messagesAfterRefusal, 1);
        QCOMPARE(m_prompts->texts(QStringLiteral("message")),
                 QStringList{Translator()->Lookup(QStringLiteral("WrongAccessCodeLength"))});
        QCOMPARE(wire, std::string("987600"));
    }

    void closeBox_returnsFalseAndChangesNothing() {
        m_prompts->dialogScripts.push_back([](QDialog& d) {
            d.show();
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("AccessCodeEdt"));
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("5555"));
            d.findChild<QCheckBox*>(QStringLiteral("RememberChk"))->click();
            d.close();
            return d.result();
        });
        std::string wire = "123400";
        bool flag = true;
        QVERIFY(!AskAccessCode(wire, flag));
        QCOMPARE(wire, std::string("123400"));
        QVERIFY(flag);
        QVERIFY(m_prompts->texts(QStringLiteral("message")).isEmpty());
    }

    void accessCodeDialog_isTranslatedEachTimeAndMasksWithStars() {
        loadShipped(QStringLiteral("Deutsch"));
        QStringList captions;
        QChar mask;
        const auto record = [&](QDialog& d) {
            captions << d.windowTitle() << d.findChild<QCheckBox*>(QStringLiteral("RememberChk"))->text()
                     << d.findChild<QPushButton*>(QStringLiteral("OKBtn"))->text();
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("AccessCodeEdt"));
            if (edit->echoMode() == QLineEdit::Password)
                mask = QChar(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit));
            return int(QDialog::Rejected);
        };
        // Asked twice: the second dialog is translated too, so the first one
        // left the translator's list when it went.
        m_prompts->dialogScripts.push_back(record);
        m_prompts->dialogScripts.push_back(record);
        std::string wire = "123400";
        bool flag = false;
        AskAccessCode(wire, flag);
        AskAccessCode(wire, flag);

        const QStringList expected{Lookup(QStringLiteral("AccessCode")), Lookup(QStringLiteral("Remember")),
                                   Lookup(QStringLiteral("OK"))};
        QCOMPARE(captions, expected + expected);
        QCOMPARE(mask, QLatin1Char('*'));
    }

    // ---- wait window ------------------------------------------------------

    void waitWindow_failureBeforeAnyRequest_goesAtFirstTick() {
        FakeMainWindow main;
        main.show();
        main.idle = true; // nothing was sent: the link never left idle
        ShowWaitWindow(&main);
        QPointer<TNWaitFrm> form = WaitWindow();
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(!form->isModal());
        QCOMPARE(form->parentWidget(), &main);
        QVERIFY(main.busyAreaDisabled());
        QVERIFY(main.other->isEnabled());

        QVERIFY(waitForTick(form));
        QVERIFY(!WaitWindow());
        QVERIFY(!form || !form->isVisible());
        QVERIFY(main.busyAreaEnabled());
        QTRY_VERIFY(!form); // and it is really freed
    }

    void waitWindow_promptBetweenAttemptsHidesItAndNextAttemptBringsItBack() {
        FakeMainWindow main;
        main.show();

        // First attempt: the exchange runs.
        main.idle = false;
        ShowWaitWindow(&main);
        QVERIFY(WaitWindow());
        QVERIFY(waitForTick(WaitWindow()));
        QVERIFY(waitForTick(WaitWindow()));
        QVERIFY2(WaitWindow(), "gone while the link was busy");
        QVERIFY(main.busyAreaDisabled());

        // The device refused: the link is idle and the workflow asks again.
        main.idle = true;
        bool goneDuringPrompt = false;
        bool areaBackDuringPrompt = false;
        m_prompts->dialogScripts.push_back([&](QDialog& d) {
            goneDuringPrompt = QTest::qWaitFor([] { return WaitWindow() == nullptr; }, 2000);
            areaBackDuringPrompt = main.busyAreaEnabled();
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("AccessCodeEdt"));
            edit->setText(QStringLiteral("1234"));
            d.findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
            return d.result();
        });
        std::string wire = "817260";
        bool flag = false;
        QVERIFY(AskAccessCode(wire, flag));
        QVERIFY(goneDuringPrompt);
        QVERIFY(areaBackDuringPrompt);

        // Second attempt.
        main.idle = false;
        ShowWaitWindow(&main);
        QVERIFY(WaitWindow());
        QVERIFY(WaitWindow()->isVisible());
        QVERIFY(main.busyAreaDisabled());
        main.idle = true;
        QVERIFY(waitForTick(WaitWindow()));
        QVERIFY(!WaitWindow());
        QVERIFY(main.busyAreaEnabled());
    }

    void waitWindow_shownTwice_staysOneWindowAndKeepsAreaDisabled() {
        FakeMainWindow main;
        main.show();
        main.idle = false;
        ShowWaitWindow(&main);
        TNWaitFrm* first = WaitWindow();
        first->hide();
        main.busy.first()->setEnabled(true); // something gave a control back meanwhile
        ShowWaitWindow(&main);
        QCOMPARE(WaitWindow(), first);
        QCOMPARE(main.findChildren<TNWaitFrm*>().size(), 1);
        QVERIFY(first->isVisible());
        QVERIFY(main.busyAreaDisabled());
        QCOMPARE(first->windowTitle(), Lookup(QStringLiteral("NWait")));
        QCOMPARE(first->PleaseWaitLbl->text(), Lookup(QStringLiteral("PleaseWait")));
        main.idle = true;
        QVERIFY(waitForTick(first));
        QVERIFY(main.busyAreaEnabled());
    }

    void waitWindow_userCannotCloseIt() {
        FakeMainWindow main;
        main.show();
        main.idle = false;
        ShowWaitWindow(&main);
        QPointer<TNWaitFrm> form = WaitWindow();
        QVERIFY(form);
        QTest::keyClick(form, Qt::Key_Escape);
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(WaitWindow(), form.data());
        QVERIFY(main.busyAreaDisabled());
        main.idle = true;
        QVERIFY(waitForTick(form));
        QVERIFY(!WaitWindow());
        QVERIFY(main.busyAreaEnabled());
    }

    void waitWindow_goesWithTheMainWindow() {
        auto main = std::make_unique<FakeMainWindow>();
        main->show();
        main->idle = false;
        ShowWaitWindow(main.get());
        QPointer<TNWaitFrm> form = WaitWindow();
        QVERIFY(form);
        main.reset();
        QVERIFY(!form);
        QVERIFY(!WaitWindow());

        // A later wait window starts afresh.
        FakeMainWindow next;
        next.idle = false;
        ShowWaitWindow(&next);
        QVERIFY(WaitWindow());
        QCOMPARE(WaitWindow()->parentWidget(), &next);
        next.idle = true;
        QVERIFY(waitForTick(WaitWindow()));
        QVERIFY(!WaitWindow());
    }

    // ---- About window -----------------------------------------------------

    void about_brandingFollowsTitleInitial_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("family");
        QTest::newRow("title starting with N") << "N20 Configurator" << true;
        QTest::newRow("title starting with another letter") << "Alarm Link Setup" << false;
        QTest::newRow("empty title") << "" << false;
    }
    void about_brandingFollowsTitleInitial() {
        QFETCH(QString, title);
        QFETCH(bool, family);
        loadTexts({{"About", "About it"},
                   {"ProgramVersion", "Version"},
                   {"UpdateDate", "Released"},
                   {"MainForm", title}});
        if (QTest::currentTestFailed())
            return;

        QMap<QString, bool> visible;
        QStringList texts;
        m_prompts->dialogScripts.push_back([&](QDialog& d) {
            for (const char* name : {"Image1", "Image2", "Image3", "Image4", "Label3"})
                visible[QLatin1String(name)] = d.findChild<QWidget*>(QLatin1String(name))->isVisibleTo(&d);
            texts << d.windowTitle() << d.findChild<QLabel*>(QStringLiteral("MainFormLbl"))->text()
                  << d.findChild<QLabel*>(QStringLiteral("ProgramVersionLab"))->text()
                  << d.findChild<QLabel*>(QStringLiteral("UpdatedLab"))->text();
            return int(QDialog::Accepted);
        });
        ShowAbout();

        QCOMPARE(visible.value("Image1"), !family);
        QCOMPARE(visible.value("Image2"), family);
        QCOMPARE(visible.value("Image4"), family);
        QCOMPARE(visible.value("Label3"), family);
        QCOMPARE(visible.value("Image3"), false);
        QCOMPARE(texts, (QStringList{"About it", title, "Version: 1.12.2", "Released: 2016.12.06"}));
        QVERIFY(!AboutWindow());
    }

    void about_firstShowUsesStartupWindowLaterOnesAreNew() {
        CreateStartupAbout();
        QPointer<TNAboutFrm> startup = AboutWindow();
        QVERIFY(startup);
        startup->setProperty("fromStartup", true);

        QList<bool> fromStartup;
        QList<bool> referenced;
        const auto record = [&](QDialog& d) {
            fromStartup << d.property("fromStartup").toBool();
            referenced << (AboutWindow() == &d);
            return int(QDialog::Rejected);
        };
        m_prompts->dialogScripts.push_back(record);
        m_prompts->dialogScripts.push_back(record);
        ShowAbout();
        QVERIFY(!startup); // destroyed once closed
        QVERIFY(!AboutWindow());
        ShowAbout();
        QVERIFY(!AboutWindow());

        QCOMPARE(fromStartup, (QList<bool>{true, false}));
        QCOMPARE(referenced, (QList<bool>{true, true}));
        QCOMPARE(m_prompts->texts(QStringLiteral("exec")), (QStringList{"NAboutFrm", "NAboutFrm"}));
    }

    void aboutPictures_haveTheirSizes() {
        QCOMPARE(AboutPictures::NeutralBanner().size(), QSize(327, 126));
        QCOMPARE(AboutPictures::ProductBanner().size(), QSize(327, 126));
        QCOMPARE(AboutPictures::SmallLogo().size(), QSize(98, 24));
    }

    // ---- texts of every shipped language ----------------------------------

    void everyCaptionHasTextsInEveryLanguage() {
        // The registered windows: whatever the translator sets on them.
        TAccessCodeFrm access;
        FakeMainWindow main;
        main.idle = false;
        ShowWaitWindow(&main);
        QStringList keys = TranslatableKeys(&access) + TranslatableKeys(WaitWindow());
        delete WaitWindow();
        QVERIFY(keys.contains(QStringLiteral("Remember")));
        QVERIFY(keys.contains(QStringLiteral("PleaseWait")));
        // The About window's texts and the dialog's message, looked up one by one.
        keys << "About"
             << "ProgramVersion"
             << "UpdateDate"
             << "MainForm"
             << "WrongAccessCodeLength";

        const QStringList languages = Translator()->LanguageNames();
        QVERIFY(languages.size() >= 2);
        for (const QString& language : languages) {
            loadShipped(language);
            QCOMPARE(Translator()->CurrentLanguage(), language);
            for (const QString& key : keys)
                QVERIFY2(Translator()->HasText(key) && !Translator()->Lookup(key).isEmpty(),
                         qPrintable(language + QStringLiteral(": ") + key));
        }
    }

    // Every caption fits its control in every language (nothing cut off).
    void captionsFitTheirControlsInEveryLanguage() {
        for (const QString& language : Translator()->LanguageNames()) {
            loadShipped(language);
            TAccessCodeFrm access;
            FakeMainWindow main;
            main.idle = false;
            ShowWaitWindow(&main);
            TNAboutFrm about;
            about.Prepare();
            for (QWidget* window : QList<QWidget*>{&access, WaitWindow(), &about}) {
                for (QWidget* control : window->findChildren<QWidget*>()) {
                    if (!control->isVisibleTo(window) || control->objectName().isEmpty())
                        continue;
                    if (!qobject_cast<QLabel*>(control) && !qobject_cast<QAbstractButton*>(control))
                        continue;
                    const QString where = language + QStringLiteral(": ") + control->objectName();
                    QVERIFY2(window->rect().contains(control->geometry()), qPrintable(where + " outside"));
                    QSize need = control->sizeHint();
                    if (auto* label = qobject_cast<QLabel*>(control); label && label->wordWrap())
                        need = QSize(0, label->heightForWidth(label->width()));
                    QVERIFY2(need.width() <= control->width() && need.height() <= control->height(),
                             qPrintable(where + QStringLiteral(" needs %1x%2, has %3x%4")
                                                    .arg(need.width())
                                                    .arg(need.height())
                                                    .arg(control->width())
                                                    .arg(control->height())));
                }
            }
            delete WaitWindow();
            QVERIFY(!WaitWindow());
        }
    }

    // Pictures of the three windows for a look by eye, when asked for with
    // NCONFIG_SCREENSHOT_DIR (never part of a normal run).
    void screenshots() {
        const QString folder = qEnvironmentVariable("NCONFIG_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("NCONFIG_SCREENSHOT_DIR not set");
        QDir().mkpath(folder);
        for (const QString& language : Translator()->LanguageNames()) {
            loadShipped(language);
            TAccessCodeFrm access;
            access.Prefill("123400", true);
            access.show();
            FakeMainWindow main;
            main.idle = false;
            ShowWaitWindow(&main);
            TNAboutFrm about;
            about.Prepare();
            about.show();
            const QList<QPair<QString, QWidget*>> shots{
                {"access", &access}, {"wait", WaitWindow()}, {"about", &about}};
            for (const auto& [name, window] : shots) {
                const QPixmap shot = window->grab();
                QCOMPARE(shot.size(), window->size());
                QVERIFY(shot.save(QDir(folder).filePath(name + "-" + language + ".png")));
            }
            // The other branding as well.
            for (QWidget* picture : QList<QWidget*>{about.Image1, about.Image2, about.Image4, about.Label3})
                picture->setVisible(!picture->isVisible());
            QVERIFY(about.grab().save(QDir(folder).filePath("about-other-" + language + ".png")));
            delete WaitWindow();
        }
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
