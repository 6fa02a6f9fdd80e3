#include "TextCodec.h"

#include <QStringConverter>
#include <array>

#ifndef Q_OS_WIN
namespace {

// Windows-1252 bytes 0x80-0x9F; 0 marks the five bytes that have no character.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool useLatin1()
{
    static const bool latin1 = qgetenv("NCONFIG_CODEPAGE").toLower() == "latin1";
    return latin1;
}

char16_t decodeByte(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F && !useLatin1()) {
        const char16_t c = kCp1252High[b - 0x80];
        return c ? c : char16_t(b); // undefined bytes map to their C1 control, as Windows does
    }
    return char16_t(b);
}

int encodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    if (useLatin1())
        return c <= 0xFF ? int(c) : -1;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c)
            return 0x80 + i;
    if (c >= 0x80 && c <= 0x9F && kCp1252High[c - 0x80] == 0)
        return c;
    return -1;
}

} // namespace
#endif

namespace TextCodec {

QString toQString(const std::string& ansi)
{
#ifdef Q_OS_WIN
    return QStringDecoder(QStringConverter::System).decode(QByteArray::fromStdString(ansi));
#else
    QString out;
    out.reserve(qsizetype(ansi.size()));
    for (unsigned char b : ansi)
        out.append(QChar(decodeByte(b)));
    return out;
#endif
}

std::string fromQString(const QString& text)
{
#ifdef Q_OS_WIN
    QByteArray bytes = QStringEncoder(QStringConverter::System).encode(text);
    return bytes.toStdString();
#else
    std::string out;
    out.reserve(size_t(text.size()));
    for (QChar c : text) {
        const int b = encodeChar(c.unicode());
        out.push_back(static_cast<char>(b < 0 ? '?' : b));
    }
    return out;
#endif
}

bool canEncode(const QString& text)
{
#ifdef Q_OS_WIN
    return toQString(fromQString(text)) == text;
#else
    for (QChar c : text)
        if (encodeChar(c.unicode()) < 0)
            return false;
    return true;
#endif
}

} // namespace TextCodec
