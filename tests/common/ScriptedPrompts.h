#pragma once
// Prompts for tests: records every message and answers every question from a
// script, so no test ever blocks on a modal window.

#include "Prompts.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>

class ScriptedPrompts final : public IPrompts {
public:
    struct Shown {
        QString kind; // "message", "error", "confirm", "systemYesNo", "exec", "open", "save"
        QString text;
    };

    ScriptedPrompts() { SetPrompts(this); }
    ~ScriptedPrompts() override { SetPrompts(nullptr); }

    // Answers, taken in order; when a queue is empty the default is used
    // (No for questions, Rejected for dialogs, an empty file name).
    std::deque<bool> confirmAnswers;
    std::deque<std::function<int(QDialog&)>> dialogScripts; // act on the dialog, return its result
    std::deque<QString> fileNames;

    QList<Shown> shown;

    QStringList texts(const QString& kind = {}) const
    {
        QStringList out;
        for (const auto& s : shown)
            if (kind.isEmpty() || s.kind == kind)
                out << s.text;
        return out;
    }

    void message(QWidget*, const QString& text) override { shown.append({QStringLiteral("message"), text}); }
    void error(QWidget*, const QString& text) override { shown.append({QStringLiteral("error"), text}); }
    bool confirm(QWidget*, const QString& text) override
    {
        shown.append({QStringLiteral("confirm"), text});
        return take(confirmAnswers, false);
    }
    bool systemYesNo(QWidget*, const QString&, const QString& text) override
    {
        shown.append({QStringLiteral("systemYesNo"), text});
        return take(confirmAnswers, false);
    }
    int exec(QDialog& dialog) override
    {
        shown.append({QStringLiteral("exec"), dialog.objectName()});
        if (dialogScripts.empty())
            return QDialog::Rejected;
        auto script = std::move(dialogScripts.front());
        dialogScripts.pop_front();
        return script(dialog);
    }
    QString openFileName(QWidget*, const QString& title, const QString&, const QString&) override
    {
        shown.append({QStringLiteral("open"), title});
        return take(fileNames, QString());
    }
    QString saveFileName(QWidget*, const QString& title, const QString&, const QString&) override
    {
        shown.append({QStringLiteral("save"), title});
        return take(fileNames, QString());
    }

private:
    template <typename T> static T take(std::deque<T>& queue, T fallback)
    {
        if (queue.empty())
            return fallback;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};
