#pragma once
// Runs one of the built tools (beside the test executable) as a user would and
// collects what it reported.

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

struct TToolRun {
    // -1: the tool did not start or did not finish in time; -2: it crashed.
    int exitCode = -1;
    QString out;         // standard output, decoded as UTF-8
    QString err;         // standard error, decoded as UTF-8
    QByteArray outBytes; // standard output as written
};

// Path of a built tool beside the test executable.
inline QString ToolPath(const QString& name) {
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

inline TToolRun RunTool(const QString& name, const QStringList& args, int timeoutMs = 30000) {
    QProcess process;
    process.start(ToolPath(name), args);
    TToolRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("<did not finish>");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.outBytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.outBytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
