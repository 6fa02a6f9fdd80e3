#pragma once
// The one place where 8-bit texts (item values, settings files, language files)
// meet Qt's strings. Windows: the system ANSI code page. Elsewhere: Windows-1252,
// unless NCONFIG_CODEPAGE=latin1 asks for ISO-8859-1.

#include <QString>
#include <string>

namespace TextCodec {
QString toQString(const std::string& ansi);
std::string fromQString(const QString& text);
// True when every character of the text has a byte in the code page.
bool canEncode(const QString& text);
} // namespace TextCodec
