// nconfig-cli lang: builds, dumps and checks the language file.

#include "Cli.h"
#include "LanguageFile.h"
#include "LanguageSource.h"

#include <QFile>
#include <QSaveFile>
#include <cstdio>
#include <iostream>

namespace {

const char* const kUsage =
    "usage: nconfig-cli lang build SOURCE.tsv OUT.lng   build the language file from its source\n"
    "       nconfig-cli lang dump FILE.lng              print the file in the source format\n"
    "       nconfig-cli lang check FILE                 list missing, doubled and over-long\n"
    "                                                   texts (FILE: source or .lng)\n"
    "Exit status: 0 done / no problems, 1 failed / problems found, 2 usage error.\n";

QString qs(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}

bool readWhole(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::cerr << "nconfig-cli: cannot read " << path.toStdString() << ": "
                  << file.errorString().toStdString() << '\n';
        return false;
    }
    if (file.size() > qint64(kMaxLanguageFileSize)) {
        std::cerr << "nconfig-cli: " << path.toStdString() << " is too large for a language file\n";
        return false;
    }
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

TLanguageFileError parseBinary(const QByteArray& bytes, TLanguageFile& file) {
    return ParseLanguageFile(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             std::size_t(bytes.size()), file);
}

void printLines(const QString& prefix, const QStringList& lines) {
    for (const auto& line : lines)
        std::cerr << prefix.toStdString() << ": " << line.toStdString() << '\n';
}

int build(const cli::Args& args) {
    if (args.size() != 2)
        return cli::usageError("lang build needs SOURCE and OUT", kUsage);
    const QString source = qs(args[0]);
    const QString target = qs(args[1]);
    QByteArray text;
    if (!readWhole(source, text))
        return cli::Failed;
    TLanguageSource parsed;
    QStringList errors;
    if (!ParseLanguageSource(text, parsed, errors)) {
        printLines(source, errors);
        return cli::Failed;
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!SerializeLanguageFile(parsed.File, bytes, error)) {
        std::cerr << source.toStdString() << ": " << error << '\n';
        return cli::Failed;
    }
    // Written whole or not at all: a failed build never leaves half a file.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !out.commit()) {
        std::cerr << "nconfig-cli: cannot write " << target.toStdString() << ": "
                  << out.errorString().toStdString() << '\n';
        return cli::Failed;
    }
    return cli::Ok;
}

int dump(const cli::Args& args) {
    if (args.size() != 1)
        return cli::usageError("lang dump needs one FILE.lng", kUsage);
    const QString path = qs(args[0]);
    QByteArray bytes;
    if (!readWhole(path, bytes))
        return cli::Failed;
    TLanguageFile file;
    if (const auto error = parseBinary(bytes, file)) {
        std::cerr << path.toStdString() << ": not a usable language file: " << error.describe() << '\n';
        return cli::Failed;
    }
    const QByteArray text = WriteLanguageSource(file);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    std::fflush(stdout);
    if (file.RawLanguageCount < 0 || file.RawEntryCount < 0 || file.TrailingBytes > 0)
        std::cerr << path.toStdString()
                  << ": note: negative counts or bytes after the last entry are not kept by the dump\n";
    return cli::Ok;
}

int check(const cli::Args& args) {
    if (args.size() != 1)
        return cli::usageError("lang check needs one FILE", kUsage);
    const QString path = qs(args[0]);
    QByteArray bytes;
    if (!readWhole(path, bytes))
        return cli::Failed;
    QStringList problems;
    TLanguageFile file;
    std::vector<int> lines;
    if (path.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive)) {
        if (const auto error = parseBinary(bytes, file)) {
            problems << QStringLiteral("damaged: ") + QString::fromStdString(error.describe());
        } else {
            if (file.RawLanguageCount < 0 || file.RawEntryCount < 0)
                problems << QStringLiteral("negative count (read as no languages or no entries)");
            if (file.TrailingBytes > 0)
                problems
                    << QStringLiteral("%1 bytes after the last entry are ignored").arg(file.TrailingBytes);
        }
    } else {
        TLanguageSource source;
        ParseLanguageSource(bytes, source, problems);
        file = std::move(source.File);
        lines = std::move(source.EntryLines);
    }
    problems << CheckLanguageFile(file, lines);
    for (const auto& problem : problems)
        std::cout << path.toStdString() << ": " << problem.toStdString() << '\n';
    if (!problems.isEmpty())
        return cli::Failed;
    std::cout << path.toStdString() << ": " << file.Entries.size() << " keys in " << file.Names.size()
              << " languages, no problems\n";
    return cli::Ok;
}

int langCommand(const cli::Args& args) {
    if (args.empty())
        return cli::usageError("lang needs a subcommand", kUsage);
    if (cli::wantsHelp(args)) {
        std::cout << kUsage;
        return cli::Ok;
    }
    const cli::Args rest(args.begin() + 1, args.end());
    if (args[0] == "build")
        return build(rest);
    if (args[0] == "dump")
        return dump(rest);
    if (args[0] == "check")
        return check(rest);
    return cli::usageError("unknown lang subcommand '" + args[0] + "'", kUsage);
}

} // namespace

NCONFIG_CLI_COMMAND("lang", "build, dump and check the language file", langCommand);
