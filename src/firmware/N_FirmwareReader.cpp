#include "N_FirmwareReader.h"

#include "HexDigit.h"

#include <array>
#include <istream>
#include <new>

namespace {

constexpr std::uint8_t kCR = 0x0D;
constexpr std::uint8_t kLF = 0x0A;
constexpr std::uint8_t kNul = 0x00;
constexpr std::uint8_t kCtrlZ = 0x1A;
constexpr std::size_t kVersionLength = 5;

// Blanks are spaces and control characters. NUL and Ctrl+Z never reach this test:
// a text firmware file cannot hold them, so they refuse the file outright.
bool IsBlank(std::uint8_t c) {
    return c <= 0x20;
}

bool IsBlankText(const std::string& text) {
    for (unsigned char c : text)
        if (!IsBlank(c))
            return false;
    return true;
}

char UpperHex(char c) {
    return (c >= 'a' && c <= 'f') ? char(c - 'a' + 'A') : c;
}

std::string Printable(const std::string& field) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : field) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += char(c);
        } else {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        }
    }
    return out;
}

} // namespace

bool TFirmwareReader::Feed(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (FState == EState::Accepted || FState == EState::Refused)
            return false;
        const std::uint8_t c = data[i];
        if (FPendingCR) {
            FPendingCR = false;
            if (c == kLF) {
                EndOfLine();
                continue;
            }
            // A CR not followed by LF is an ordinary (control) character of the line.
            ProcessByte(kCR);
            if (FState == EState::Refused)
                return false;
        }
        if (c == kCR)
            FPendingCR = true;
        else if (c == kLF)
            EndOfLine();
        else
            ProcessByte(c);
    }
    return FState == EState::VersionLine || FState == EState::ImageLine;
}

bool TFirmwareReader::Finish() {
    if (FPendingCR && (FState == EState::VersionLine || FState == EState::ImageLine)) {
        FPendingCR = false;
        ProcessByte(kCR);
    }
    if (FState == EState::VersionLine) {
        EndVersionLine();
        if (FState == EState::ImageLine)
            Refuse(EFirmwareFault::MissingImageLine, 2, 0);
    } else if (FState == EState::ImageLine) {
        if (FImageLinePresent)
            EndImageLine();
        else
            Refuse(EFirmwareFault::MissingImageLine, 2, 0);
    }
    return FState == EState::Accepted;
}

void TFirmwareReader::ProcessByte(std::uint8_t c) {
    if (FState == EState::VersionLine)
        VersionByte(c);
    else if (FState == EState::ImageLine)
        ImageByte(c);
}

void TFirmwareReader::EndOfLine() {
    if (FState == EState::VersionLine) {
        EndVersionLine();
    } else if (FState == EState::ImageLine) {
        FImageLinePresent = true;
        EndImageLine();
    }
}

void TFirmwareReader::VersionByte(std::uint8_t c) {
    ++FColumn;
    if (c == kNul || c == kCtrlZ) {
        Refuse(EFirmwareFault::ForbiddenByte, 1, FColumn, std::string(1, char(c)));
        return;
    }
    if (IsBlank(c)) {
        if (FVersionText.empty())
            return; // leading blank
        // Interior or trailing: decided by whether another character follows.
        ++FPendingBlankCount;
        if (FPendingBlanks.size() < kVersionLength)
            FPendingBlanks += char(c);
        return;
    }
    if (FVersionText.size() + FPendingBlankCount + 1 > kVersionLength) {
        Refuse(EFirmwareFault::BadVersionLine, 1, 0);
        return;
    }
    FVersionText += FPendingBlanks;
    FPendingBlanks.clear();
    FPendingBlankCount = 0;
    FVersionText += char(c);
}

void TFirmwareReader::EndVersionLine() {
    const std::string& v = FVersionText;
    // Character 3 is a separator of any kind and is not examined.
    if (v.size() != kVersionLength || HexDigit(v[0]) < 0 || HexDigit(v[1]) < 0 || HexDigit(v[3]) < 0 ||
        HexDigit(v[4]) < 0) {
        Refuse(EFirmwareFault::BadVersionLine, 1, 0, v);
        return;
    }
    FVersionCode = {UpperHex(v[0]), UpperHex(v[1]), UpperHex(v[3]), UpperHex(v[4])};
    FState = EState::ImageLine;
    FColumn = 0;
}

void TFirmwareReader::ImageByte(std::uint8_t c) {
    FImageLinePresent = true;
    ++FColumn;
    if (c == kNul || c == kCtrlZ) {
        Refuse(EFirmwareFault::ForbiddenByte, 2, FColumn, std::string(1, char(c)));
        return;
    }
    FField[FFieldLength++] = char(c);
    if (FFieldLength == 3)
        CommitField();
}

void TFirmwareReader::CommitField() {
    const std::size_t length = FFieldLength;
    FFieldLength = 0;
    std::size_t first = 0;
    std::size_t last = length;
    while (first < last && IsBlank(std::uint8_t(FField[first])))
        ++first;
    while (last > first && IsBlank(std::uint8_t(FField[last - 1])))
        --last;
    // Fields start at columns 1, 4, 7...; FColumn is the field's last character.
    const std::size_t column = FColumn - (FColumn - 1) % 3;
    unsigned value = 0;
    bool valid = first < last;
    for (std::size_t i = first; valid && i < last; ++i) {
        const int d = HexDigit(std::uint8_t(FField[i]));
        valid = d >= 0;
        value = value * 16 + unsigned(d < 0 ? 0 : d);
    }
    if (!valid) {
        Refuse(EFirmwareFault::InvalidField, 2, column, std::string(FField, length));
        return;
    }
    if (FPackets.empty() || FPackets.back().size() == kFirmwarePacketSize) {
        if (FImageSize >= kMaxFirmwareImageSize) {
            Refuse(EFirmwareFault::ImageTooLarge, 2, column);
            return;
        }
        FPackets.emplace_back();
        FPackets.back().reserve(kFirmwarePacketSize);
    }
    // Only the low eight bits count: "1FF" is 0xFF.
    FPackets.back().push_back(std::uint8_t(value & 0xFF));
    ++FImageSize;
}

void TFirmwareReader::EndImageLine() {
    // A field of two characters cut short by the line end is read as far as it
    // goes; a single last character (a field starting at the line's last
    // character) is not a field.
    if (FFieldLength >= 2)
        CommitField();
    FFieldLength = 0;
    if (FState != EState::ImageLine)
        return;
    if (FImageSize == 0)
        Refuse(EFirmwareFault::EmptyImage, 2, 0);
    else if (FImageSize % kFirmwarePacketSize != 0)
        Refuse(EFirmwareFault::IncompletePacket, 2, 0);
    else
        FState = EState::Accepted;
}

void TFirmwareReader::Refuse(EFirmwareFault code, int line, std::size_t column, std::string field) {
    FState = EState::Refused;
    FFault.Code = code;
    FFault.Line = line;
    FFault.Column = column;
    FFault.ImageSize = FImageSize;
    FFault.Field = std::move(field);
    // Nothing of a refused file is kept.
    FVersionCode.clear();
    TArrayOfByteArray().swap(FPackets);
}

bool ReadFirmware(std::istream& in, std::string& versionCode, TArrayOfByteArray& packets,
                  TFirmwareFault& fault) {
    versionCode.clear();
    TArrayOfByteArray().swap(packets);
    fault = {};
    try {
        TFirmwareReader reader;
        std::array<char, 64 * 1024> buffer;
        bool wantMore = true;
        while (wantMore && in) {
            in.read(buffer.data(), std::streamsize(buffer.size()));
            const auto count = in.gcount();
            if (count > 0)
                wantMore =
                    reader.Feed(reinterpret_cast<const std::uint8_t*>(buffer.data()), std::size_t(count));
            if (in.bad()) {
                fault.Code = EFirmwareFault::ReadError;
                return false;
            }
        }
        if (!reader.Finish()) {
            fault = reader.Fault();
            return false;
        }
        versionCode = reader.VersionCode();
        packets = std::move(reader.Packets());
        return true;
    } catch (const std::bad_alloc&) {
        versionCode.clear();
        TArrayOfByteArray().swap(packets);
        fault = {};
        fault.Code = EFirmwareFault::OutOfMemory;
        return false;
    } catch (...) {
        versionCode.clear();
        TArrayOfByteArray().swap(packets);
        fault = {};
        fault.Code = EFirmwareFault::ReadError;
        return false;
    }
}

std::string FirmwareFaultText(const TFirmwareFault& fault) {
    const std::string at = fault.Column > 0 ? "line " + std::to_string(fault.Line) + ", column " +
                                                  std::to_string(fault.Column) + ": "
                                            : std::string();
    switch (fault.Code) {
    case EFirmwareFault::None:
        return "no fault";
    case EFirmwareFault::FileNotFound:
        return "the file does not exist";
    case EFirmwareFault::NotAFile:
        return "the path is not a regular file";
    case EFirmwareFault::CannotOpen:
        return "the file cannot be opened";
    case EFirmwareFault::ReadError:
        return "the file cannot be read";
    case EFirmwareFault::BadVersionLine:
        return "line 1 is not a version of five characters such as 01.0A" +
               (fault.Field.empty() ? std::string() : " (found \"" + Printable(fault.Field) + "\")");
    case EFirmwareFault::MissingImageLine:
        return "the file has no line 2 (the firmware image)";
    case EFirmwareFault::ForbiddenByte:
        return at + (fault.Field == std::string(1, '\0') ? "a NUL byte" : "a Ctrl+Z byte") +
               " in a text firmware file (damaged or binary file)";
    case EFirmwareFault::InvalidField:
        return at + "the field \"" + Printable(fault.Field) + "\" is " +
               (IsBlankText(fault.Field) ? "empty" : "not hexadecimal");
    case EFirmwareFault::EmptyImage:
        return "line 2 (the firmware image) is empty";
    case EFirmwareFault::IncompletePacket:
        return "the image holds " + std::to_string(fault.ImageSize) + " bytes, not a whole number of " +
               std::to_string(kFirmwarePacketSize) + "-byte packets";
    case EFirmwareFault::ImageTooLarge:
        return "the image is larger than " + std::to_string(kMaxFirmwareImageSize) + " bytes";
    case EFirmwareFault::OutOfMemory:
        return "not enough memory to load the image";
    }
    return "unknown fault";
}
