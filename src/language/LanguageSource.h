#pragma once
// The editable source of the language file (lang/NLanguage.tsv): UTF-8, one row
// per key, TAB-separated, header "Key<TAB>name1<TAB>name2...". Escapes in cells:
// \t \n \r \\, \xHH for a raw byte, \& for nothing (marks an empty key).
// Texts are encoded to the program's 8-bit code page through TextCodec.

#include "LanguageFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

struct TLanguageSource {
    TLanguageFile File;
    std::vector<int> EntryLines; // source line (1-based) of each entry
};

// Reads the source. Problems that make a row unusable (a bad escape, more cells
// than languages, a character the code page lacks, a missing header) are added
// to `errors` as "line N: ..." and reading goes on, so that every one of them is
// listed at once. Returns true when there were none. Missing trailing cells are
// empty texts; over-long strings are kept (CheckLanguageFile reports them).
bool ParseLanguageSource(const QByteArray& utf8, TLanguageSource& out, QStringList& errors);

// Writes a file back in the source format; ParseLanguageSource of the result
// followed by SerializeLanguageFile reproduces the file byte for byte (unless
// the file had negative counts or bytes after its last entry).
QByteArray WriteLanguageSource(const TLanguageFile& file);

// What a translator must fix: keys without a text in a language, keys present
// twice (ignoring case, as lookups do), and keys, names or texts longer than 255
// bytes. `lines` (optional) gives source line numbers for the messages.
QStringList CheckLanguageFile(const TLanguageFile& file, const std::vector<int>& lines = {});
