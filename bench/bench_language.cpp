// Loading the shipped language file and translating a window of about three
// hundred controls, as the main window is translated at start-up and after each
// change of language.
// Run: build-bench/bin/bench_language

#include "LanguageFile.h"
#include "N_Language.h"
#include "Prompts.h"
#include "SettingsStore.h"
#include "TextCodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

class SilentPrompts final : public IPrompts {
public:
    int messages = 0;
    void message(QWidget*, const QString&) override { ++messages; }
    void error(QWidget*, const QString&) override { ++messages; }
    bool confirm(QWidget*, const QString&) override { return false; }
    bool systemYesNo(QWidget*, const QString&, const QString&) override { return false; }
    int exec(QDialog&) override { return 0; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

SilentPrompts g_prompts;

QString shippedFile() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("NLanguage.lng"));
}

std::vector<QString> shippedKeys() {
    QFile file(shippedFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    TLanguageFile parsed;
    if (ParseLanguageFile(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()),
                          parsed))
        return {};
    std::vector<QString> keys;
    for (const auto& entry : parsed.Entries)
        keys.push_back(TextCodec::toQString(entry.Key));
    return keys;
}

// A main window shaped like the real one: menu, button bar, tree, twelve pages
// of labels, check boxes, group boxes and edits, grids with named columns.
std::unique_ptr<QMainWindow> buildWindow(int& controls) {
    const std::vector<QString> keys = shippedKeys();
    std::size_t next = 0;
    const auto key = [&]() { return keys.empty() ? QStringLiteral("Missing") : keys[next++ % keys.size()]; };
    controls = 0;

    auto form = std::make_unique<QMainWindow>();
    form->setObjectName(QStringLiteral("MainFormFrm"));
    auto* menu = form->menuBar()->addMenu(QStringLiteral("File"));
    menu->setObjectName(QStringLiteral("FileMenuMmi"));
    menu->addSeparator()->setObjectName(QStringLiteral("NoNameMmi"));
    menu->addAction(QStringLiteral("Exit"))->setObjectName(QStringLiteral("ExitMenuMmi"));
    form->menuBar()->addAction(QStringLiteral("About"))->setObjectName(QStringLiteral("AboutMenuMmi"));
    controls += 4;

    auto* central = new QWidget(form.get());
    form->setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    for (int i = 0; i < 8; ++i) {
        auto* button = new QPushButton(central);
        button->setObjectName(key() + QStringLiteral("Btn"));
        layout->addWidget(button);
        ++controls;
    }
    auto* tree = new QTreeWidget(central);
    tree->setObjectName(QStringLiteral("MainTreeView"));
    for (const char* node :
         {"MainTvi", "GPRS&GSMreportingTvi", "TextSMSreportingTvi", "SettingsTvi", "FirmwareTvi"}) {
        auto* item = new QTreeWidgetItem(tree);
        item->setData(0, Qt::UserRole, QString::fromLatin1(node));
        ++controls;
    }
    auto* stack = new QStackedWidget(central);
    stack->setObjectName(QStringLiteral("MainPageControl"));
    layout->addWidget(tree);
    layout->addWidget(stack);
    for (int p = 0; p < 12; ++p) {
        auto* page = new QWidget(stack);
        page->setObjectName(key() + QStringLiteral("Tbs"));
        stack->addWidget(page);
        auto* pageLayout = new QVBoxLayout(page);
        auto* group = new QGroupBox(page);
        group->setObjectName(key() + QStringLiteral("Grp"));
        pageLayout->addWidget(group);
        controls += 2;
        for (int c = 0; c < 7; ++c) {
            auto* label = new QLabel(group);
            label->setObjectName(key() + QStringLiteral("Lab"));
            auto* check = new QCheckBox(group);
            check->setObjectName(key() + QStringLiteral("Chk"));
            auto* edit = new QLineEdit(group);
            edit->setObjectName(key() + QStringLiteral("Edt"));
            controls += 3;
        }
        auto* grid = new QTableWidget(4, 3, page);
        grid->setObjectName(key() + QStringLiteral("Grd"));
        for (int c = 0; c < 3; ++c) {
            auto* header = new QTableWidgetItem;
            header->setData(Qt::UserRole, key() + QStringLiteral("Nxc"));
            grid->setHorizontalHeaderItem(c, header);
        }
        controls += 4;
    }
    return form;
}

void BM_LoadShippedFile(benchmark::State& state) {
    TNLanguage language;
    const QString file = shippedFile();
    for (auto _ : state)
        language.LoadLanguage(file);
    state.counters["texts"] = language.TextCount();
    if (g_prompts.messages)
        state.SkipWithError("the shipped NLanguage.lng is missing or damaged");
}
BENCHMARK(BM_LoadShippedFile)->Unit(benchmark::kMicrosecond);

void BM_TranslateWindow(benchmark::State& state) {
    TNLanguage language;
    language.LoadLanguage(shippedFile());
    int controls = 0;
    auto form = buildWindow(controls);
    for (auto _ : state)
        language.TranslateForm(form.get());
    state.counters["controls"] = controls;
    state.counters["texts"] = language.TextCount();
}
BENCHMARK(BM_TranslateWindow)->Unit(benchmark::kMicrosecond);

void BM_Lookup(benchmark::State& state) {
    TNLanguage language;
    language.LoadLanguage(shippedFile());
    const QString key = QStringLiteral("errornoresponse");
    for (auto _ : state)
        benchmark::DoNotOptimize(language.Lookup(key));
}
BENCHMARK(BM_Lookup);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir settings; // the remembered language is read from a private store
    SettingsStore::setFolder(settings.path());
    SetPrompts(&g_prompts);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetPrompts(nullptr);
    return 0;
}
