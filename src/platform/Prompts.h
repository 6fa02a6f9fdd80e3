#pragma once
// Every message box, modal dialog and file dialog goes through this interface.
// The application installs the Qt implementation; tests install a scripted one
// (tests/common), so no test ever blocks on a modal window.

#include <QString>

class QDialog;
class QWidget;

class IPrompts {
public:
    virtual ~IPrompts() = default;

    // A plain message box: text and OK.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // An error dialog: error icon and OK.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // A confirmation dialog: question icon, Yes and No. True for Yes.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // The system Yes/No box with a question icon (used for one question only).
    virtual bool systemYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
    // Runs a modal dialog of ours and returns its result (QDialog::Accepted / Rejected).
    virtual int exec(QDialog& dialog) = 0;
    // File dialogs. Empty when the user cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& defaultSuffix) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& defaultSuffix) = 0;
};

// The prompts in use: the Qt implementation unless a test installed its own.
IPrompts& Prompts();
// Installs an implementation (not owned); nullptr restores the Qt one.
void SetPrompts(IPrompts* prompts);
