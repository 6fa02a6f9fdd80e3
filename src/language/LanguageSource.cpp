#include "LanguageSource.h"

#include "HexDigit.h"
#include "TextCodec.h"

#include <QHash>

namespace {

// Decodes one cell into code-page bytes. Returns an empty string and sets
// `problem` when the cell cannot be stored.
std::string decodeCell(const QString& cell, QString& problem) {
    std::string out;
    QString run; // literal characters not yet encoded
    const auto flush = [&]() {
        if (run.isEmpty())
            return true;
        if (!TextCodec::canEncode(run)) {
            for (QChar c : run)
                if (!TextCodec::canEncode(QString(c))) {
                    problem = QStringLiteral("character '%1' (U+%2) has no byte in the code page")
                                  .arg(c)
                                  .arg(c.unicode(), 4, 16, QLatin1Char('0'));
                    break;
                }
            return false;
        }
        out += TextCodec::fromQString(run);
        run.clear();
        return true;
    };
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell[i];
        if (c != QLatin1Char('\\')) {
            run.append(c);
            continue;
        }
        if (!flush())
            return {};
        const QChar e = i + 1 < cell.size() ? cell[i + 1] : QChar();
        ++i;
        switch (e.unicode()) {
        case 't':
            out.push_back('\t');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case '\\':
            out.push_back('\\');
            break;
        case '&':
            break;
        case 'x': {
            const int hi = i + 1 < cell.size() ? HexDigit(cell[i + 1].unicode()) : -1;
            const int lo = i + 2 < cell.size() ? HexDigit(cell[i + 2].unicode()) : -1;
            if (hi < 0 || lo < 0) {
                problem = QStringLiteral("\\x needs two hexadecimal digits");
                return {};
            }
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
            break;
        }
        default:
            problem = e.isNull() ? QStringLiteral("a backslash ends the cell (write \\\\ for a backslash)")
                                 : QStringLiteral("unknown escape \\%1 (write \\\\ for a backslash)").arg(e);
            return {};
        }
    }
    if (!flush())
        return {};
    return out;
}

QString encodeCell(const std::string& bytes) {
    QString out;
    for (unsigned char b : bytes) {
        switch (b) {
        case '\\':
            out += QStringLiteral("\\\\");
            continue;
        case '\t':
            out += QStringLiteral("\\t");
            continue;
        case '\n':
            out += QStringLiteral("\\n");
            continue;
        case '\r':
            out += QStringLiteral("\\r");
            continue;
        default:
            break;
        }
        const std::string one(1, static_cast<char>(b));
        const QString c = TextCodec::toQString(one);
        // Control characters and bytes that would not come back as themselves are
        // written as raw bytes, so that a dump always builds into the same file.
        if (c.size() != 1 || c[0].category() == QChar::Other_Control || TextCodec::fromQString(c) != one)
            out +=
                QStringLiteral("\\x") + QString::number(b, 16).rightJustified(2, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

QString where(const std::vector<int>& lines, std::size_t entry) {
    return entry < lines.size() ? QStringLiteral("line %1: ").arg(lines[entry]) : QString();
}

QString shown(const std::string& bytes) {
    QString text = TextCodec::toQString(bytes);
    if (text.size() > 40)
        text = text.left(40) + QStringLiteral("...");
    return text;
}

} // namespace

bool ParseLanguageSource(const QByteArray& utf8, TLanguageSource& out, QStringList& errors) {
    out = TLanguageSource{};
    const qsizetype errorsBefore = errors.size();
    QString text = QString::fromUtf8(utf8);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool haveHeader = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const int lineNumber = int(n + 1);
        const auto fail = [&](const QString& message) {
            errors << QStringLiteral("line %1: %2").arg(lineNumber).arg(message);
        };
        const QStringList cells = line.split(QLatin1Char('\t'));
        std::vector<std::string> decoded;
        decoded.reserve(std::size_t(cells.size()));
        bool rowOk = true;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            QString problem;
            decoded.push_back(decodeCell(cells[c], problem));
            if (!problem.isEmpty()) {
                fail(QStringLiteral("column %1: %2").arg(c + 1).arg(problem));
                rowOk = false;
            }
        }
        if (!haveHeader) {
            haveHeader = true;
            if (cells.first() != QLatin1String("Key"))
                fail(QStringLiteral("the first row must be the header \"Key<TAB>language...\""));
            out.File.Names.assign(decoded.begin() + 1, decoded.end());
            continue;
        }
        const std::size_t languages = out.File.Names.size();
        if (decoded.size() > languages + 1) {
            fail(QStringLiteral("%1 texts for %2 languages").arg(decoded.size() - 1).arg(languages));
            rowOk = false;
        }
        if (!rowOk)
            continue;
        TLanguageEntry entry;
        entry.Key = decoded[0];
        entry.Texts.assign(decoded.begin() + 1, decoded.end());
        entry.Texts.resize(languages);
        out.File.Entries.push_back(std::move(entry));
        out.EntryLines.push_back(lineNumber);
    }
    if (!haveHeader)
        errors << QStringLiteral("line 1: the header row \"Key<TAB>language...\" is missing");
    out.File.RawLanguageCount = std::int32_t(out.File.Names.size());
    out.File.RawEntryCount = std::int32_t(out.File.Entries.size());
    return errors.size() == errorsBefore;
}

QByteArray WriteLanguageSource(const TLanguageFile& file) {
    QString out = QStringLiteral("Key");
    for (const auto& name : file.Names)
        out += QLatin1Char('\t') + encodeCell(name);
    out += QLatin1Char('\n');
    for (const auto& entry : file.Entries) {
        out += entry.Key.empty() ? QStringLiteral("\\&") : encodeCell(entry.Key);
        for (std::size_t i = 0; i < file.Names.size(); ++i)
            out += QLatin1Char('\t') + (i < entry.Texts.size() ? encodeCell(entry.Texts[i]) : QString());
        out += QLatin1Char('\n');
    }
    return out.toUtf8();
}

QStringList CheckLanguageFile(const TLanguageFile& file, const std::vector<int>& lines) {
    QStringList problems;
    for (const auto& name : file.Names)
        if (name.size() > kMaxLanguageString)
            problems << QStringLiteral("language name \"%1\" is %2 bytes long (at most 255)")
                            .arg(shown(name))
                            .arg(name.size());
    QHash<QString, std::size_t> firstOfKey;
    for (std::size_t e = 0; e < file.Entries.size(); ++e) {
        const auto& entry = file.Entries[e];
        const QString key = TextCodec::toQString(entry.Key);
        const QString at = where(lines, e);
        if (entry.Key.empty())
            problems << at + QStringLiteral("empty key");
        if (entry.Key.size() > kMaxLanguageString)
            problems << at + QStringLiteral("key \"%1\" is %2 bytes long (at most 255)")
                                 .arg(shown(entry.Key))
                                 .arg(entry.Key.size());
        const QString folded = key.toCaseFolded();
        if (auto it = firstOfKey.constFind(folded); it != firstOfKey.constEnd()) {
            const QString first =
                *it < lines.size() ? QStringLiteral(" (first on line %1)").arg(lines[*it]) : QString();
            problems
                << at + QStringLiteral("key \"%1\" is present twice%2; the first one counts").arg(key, first);
        } else {
            firstOfKey.insert(folded, e);
        }
        for (std::size_t i = 0; i < file.Names.size(); ++i) {
            const QString language = TextCodec::toQString(file.Names[i]);
            if (i >= entry.Texts.size() || entry.Texts[i].empty()) {
                problems << at + QStringLiteral("key \"%1\" has no text in %2").arg(key, language);
                continue;
            }
            if (entry.Texts[i].size() > kMaxLanguageString)
                problems << at + QStringLiteral("text of \"%1\" in %2 is %3 bytes long (at most 255)")
                                     .arg(key, language)
                                     .arg(entry.Texts[i].size());
        }
    }
    return problems;
}
