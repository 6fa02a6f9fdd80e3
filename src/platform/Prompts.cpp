#include "Prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {

class QtPrompts final : public IPrompts {
public:
    void message(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::NoIcon, QApplicationTitle(), text, QMessageBox::Ok, parent);
        box.exec();
    }
    void error(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::Critical, QApplicationTitle(), text, QMessageBox::Ok, parent);
        box.exec();
    }
    bool confirm(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::Question, QApplicationTitle(), text, QMessageBox::Yes | QMessageBox::No,
                        parent);
        return box.exec() == QMessageBox::Yes;
    }
    bool systemYesNo(QWidget* parent, const QString& title, const QString& text) override
    {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    int exec(QDialog& dialog) override { return dialog.exec(); }
    QString openFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& defaultSuffix) override
    {
        QFileDialog dlg(parent, title, QString(), filter);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFile);
        dlg.setDefaultSuffix(defaultSuffix);
        return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? dlg.selectedFiles().first()
                                                                                 : QString();
    }
    QString saveFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& defaultSuffix) override
    {
        QFileDialog dlg(parent, title, QString(), filter);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix(defaultSuffix);
        return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? dlg.selectedFiles().first()
                                                                                 : QString();
    }

private:
    static QString QApplicationTitle() { return QStringLiteral("Nconfig"); }
};

QtPrompts& qtPrompts()
{
    static QtPrompts prompts;
    return prompts;
}

IPrompts* g_prompts = nullptr;

} // namespace

IPrompts& Prompts() { return g_prompts ? *g_prompts : qtPrompts(); }

void SetPrompts(IPrompts* prompts) { g_prompts = prompts; }
