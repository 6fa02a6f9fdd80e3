#include "N_About.h"

#include "AboutPictures.h"
#include "N_Language.h"
#include "Prompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>

namespace {

QPointer<TNAboutFrm> g_aboutForm;

constexpr int kTitlePixelSize = 37;

QWidget* mainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("MainFormFrm"))
            return widget;
    return nullptr;
}

// The product family's initial: a title starting with it gets the family's
// branding, anything else (an empty title too) the neutral one.
bool isFamilyTitle(const QString& title) {
    return title.startsWith(QLatin1Char('N'));
}

} // namespace

TNAboutFrm::TNAboutFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("NAboutFrm"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(353, 249);

    MainFormLbl = new QLabel(this);
    MainFormLbl->setObjectName(QStringLiteral("MainFormLbl"));
    MainFormLbl->setGeometry(6, 6, 341, 46);
    MainFormLbl->setAlignment(Qt::AlignCenter);
    QFont titleFont(QStringLiteral("Times New Roman"));
    titleFont.setStyleHint(QFont::Serif);
    titleFont.setPixelSize(kTitlePixelSize);
    MainFormLbl->setFont(titleFont);

    ProgramVersionLab = new QLabel(this);
    ProgramVersionLab->setObjectName(QStringLiteral("ProgramVersionLab"));
    ProgramVersionLab->setGeometry(13, 192, 185, 18);

    UpdatedLab = new QLabel(this);
    UpdatedLab->setObjectName(QStringLiteral("UpdatedLab"));
    UpdatedLab->setGeometry(13, 214, 185, 18);

    Image1 = new TPictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(13, 56, 327, 126);
    Image1->setPixmap(AboutPictures::NeutralBanner());

    Image2 = new TPictureBox(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(13, 56, 327, 126);
    Image2->setPixmap(AboutPictures::ProductBanner());
    Image2->hide();

    Image4 = new TPictureBox(this);
    Image4->setObjectName(QStringLiteral("Image4"));
    Image4->setGeometry(242, 190, 98, 24);
    Image4->setPixmap(AboutPictures::SmallLogo());
    Image4->hide();

    // The web address is shown as text only; clicking it does nothing.
    Label3 = new QLabel(QStringLiteral("www.example.com"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(200, 220, 140, 18);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont linkFont = Label3->font();
    linkFont.setUnderline(true);
    Label3->setFont(linkFont);
    QPalette linkPalette = Label3->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    Label3->setPalette(linkPalette);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->hide();

    // Kept from the design, never shown.
    Image3 = new TPictureBox(this);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setGeometry(13, 56, 32, 32);
    Image3->hide();
}

void TNAboutFrm::Prepare() {
    setWindowTitle(Lookup(QStringLiteral("About")));
    ProgramVersionLab->setText(Lookup(QStringLiteral("ProgramVersion")) + QStringLiteral(": ") +
                               QLatin1String(kProgramVersion));
    UpdatedLab->setText(Lookup(QStringLiteral("UpdateDate")) + QStringLiteral(": ") +
                        QLatin1String(kReleaseDate));
    MainFormLbl->setText(Lookup(QStringLiteral("MainForm")));
    FitTitle();

    const bool family = isFamilyTitle(MainFormLbl->text());
    Image4->setVisible(family);
    Label3->setVisible(family);
    Image2->setVisible(family);
    Image1->setVisible(!family);
}

void TNAboutFrm::FitTitle() {
    // A long title in some language would be cut at 37 pixels: shrink it to fit.
    QFont font = MainFormLbl->font();
    font.setPixelSize(kTitlePixelSize);
    const int room = MainFormLbl->width();
    while (font.pixelSize() > 12 && QFontMetrics(font).horizontalAdvance(MainFormLbl->text()) > room)
        font.setPixelSize(font.pixelSize() - 1);
    MainFormLbl->setFont(font);
}

void TNAboutFrm::showEvent(QShowEvent* event) {
    QRect area;
    if (QWidget* owner = mainWindow(); owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (!area.isEmpty()) {
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void CreateStartupAbout() {
    if (g_aboutForm)
        return;
    g_aboutForm = new TNAboutFrm;
    // Without an owner nothing else frees it if it is never shown.
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, g_aboutForm.data(), [] { delete g_aboutForm; });
}

void ShowAbout() {
    if (!g_aboutForm)
        g_aboutForm = new TNAboutFrm;
    QPointer<TNAboutFrm> form = g_aboutForm;
    form->Prepare();
    Prompts().exec(*form);
    delete form;
    g_aboutForm = nullptr;
}

TNAboutFrm* AboutWindow() {
    return g_aboutForm;
}
