#include "AccessCodeForm.h"

#include "N_Language.h"
#include "Prompts.h"
#include "TextCodec.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>

#include <algorithm>

namespace {
// The device's own codes are four digits; a six-character wire code may be
// shown whole when it was remembered that way.
constexpr int kTypedLength = 4;
constexpr int kWireLength = 6;
constexpr int kClientWidth = 173;
constexpr int kClientHeight = 143;
constexpr int kMargin = 12;
} // namespace

TAccessCodeFrm::TAccessCodeFrm(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("AccessCodeFrm"));
    setWindowTitle(QStringLiteral("Access Code"));
    setFixedSize(kClientWidth, kClientHeight);

    AccessCode1Lbl = new QLabel(QStringLiteral("Access Code:"), this);
    AccessCode1Lbl->setObjectName(QStringLiteral("AccessCode1Lbl"));
    AccessCode1Lbl->hide();

    AccessCodeEdt = new QLineEdit(QStringLiteral("0"), this);
    AccessCodeEdt->setObjectName(QStringLiteral("AccessCodeEdt"));
    AccessCodeEdt->setAlignment(Qt::AlignCenter);
    // Decimal digits only (no sign, no separators): at most 999999.
    AccessCodeEdt->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), AccessCodeEdt));
    AccessCodeEdt->setMaxLength(kTypedLength);
    AccessCodeEdt->setEchoMode(QLineEdit::Password);
    // Every style has its own mask character; the code is masked with "*".
    AccessCodeEdt->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    connect(AccessCodeEdt, &QLineEdit::textEdited, this, &TAccessCodeFrm::LimitTyping);

    RememberChk = new QCheckBox(QStringLiteral("Remember"), this);
    RememberChk->setObjectName(QStringLiteral("RememberChk"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TAccessCodeFrm::OKBtnClick);

    if (TNLanguage* translator = Translator())
        translator->RegisterForm(this);
    FitToCaptions();
}

TAccessCodeFrm::~TAccessCodeFrm() {
    if (TNLanguage* translator = Translator())
        translator->UnregisterForm(this);
}

void TAccessCodeFrm::Prefill(const std::string& code, bool remember) {
    QString shown;
    if (code.empty())
        shown = QStringLiteral("0");
    else if (code.size() >= kWireLength && code.compare(4, 2, "00") == 0)
        shown = TextCodec::toQString(code.substr(0, kTypedLength));
    else
        shown = TextCodec::toQString(code);
    RememberChk->setChecked(remember);
    // Without a remembered code the field starts empty.
    if (!remember)
        shown.clear();
    // Typing stays limited to four characters, but a longer remembered code is
    // shown whole rather than cut.
    AccessCodeEdt->setMaxLength(std::max<int>(kTypedLength, static_cast<int>(shown.size())));
    AccessCodeEdt->setText(shown);
}

void TAccessCodeFrm::LimitTyping(const QString& text) {
    // Once the user has shortened a long remembered code, typing is back to
    // four characters (never cutting what is already there).
    const int limit = std::max<int>(kTypedLength, static_cast<int>(text.size()));
    if (limit < AccessCodeEdt->maxLength())
        AccessCodeEdt->setMaxLength(limit);
}

std::string TAccessCodeFrm::WireCode() const {
    const std::string text = TextCodec::fromQString(AccessCodeEdt->text());
    return text.size() == kWireLength ? text : text + "00";
}

bool TAccessCodeFrm::RememberChecked() const {
    return RememberChk->isChecked();
}

void TAccessCodeFrm::OKBtnClick() {
    const auto length = AccessCodeEdt->text().size();
    if (length == kTypedLength || length == kWireLength) {
        accept();
        return;
    }
    Prompts().message(this, Lookup(QStringLiteral("WrongAccessCodeLength")));
    AccessCodeEdt->setFocus();
    AccessCodeEdt->selectAll();
}

void TAccessCodeFrm::FitToCaptions() {
    // The window keeps its design size unless a translated caption would be
    // cut off at the fonts of this system; then it grows just enough.
    const int width =
        std::max({kClientWidth, RememberChk->sizeHint().width() + 2 * kMargin,
                  OKBtn->sizeHint().width() + 2 * kMargin, AccessCode1Lbl->sizeHint().width() + 2 * kMargin});
    setFixedSize(width, kClientHeight);
    const int fieldWidth = 125;
    const int left = (width - fieldWidth) / 2;
    AccessCode1Lbl->setGeometry(left, 8, width - left - kMargin / 2, 16);
    AccessCodeEdt->setGeometry(left, 28, fieldWidth, 26);
    const int checkWidth = RememberChk->sizeHint().width();
    const int checkLeft = std::min(left, width - kMargin - checkWidth);
    RememberChk->setGeometry(checkLeft, 66, width - checkLeft - kMargin / 2, 22);
    const int buttonWidth = std::max(75, OKBtn->sizeHint().width());
    OKBtn->setGeometry((width - buttonWidth) / 2, 104, buttonWidth, 27);
}

void TAccessCodeFrm::showEvent(QShowEvent* event) {
    FitToCaptions();
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    AccessCodeEdt->setFocus();
    AccessCodeEdt->selectAll();
    QDialog::showEvent(event);
}

bool AskAccessCode(std::string& code, bool& remember) {
    TAccessCodeFrm dialog;
    dialog.Prefill(code, remember);
    if (Prompts().exec(dialog) != QDialog::Accepted)
        return false;
    code = dialog.WireCode();
    remember = dialog.RememberChecked();
    return true;
}
