#pragma once
// Reading firmware files (".prg"). Line 1 holds the version ("01.0A"), line 2 the
// image as a run of three-character hexadecimal byte fields ("4F A0 07 "); the
// image is cut into packets of 520 bytes that travel to the device unchanged.
//
// A firmware file is never trusted: it is read as bytes, streamed in chunks, and
// only the packets themselves are kept in memory (never the multi-megabyte text
// of line 2). Every malformed input ends in a fault, never in an exception.

#include "DataTypes.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

constexpr std::size_t kFirmwarePacketSize = 520;

// The largest image accepted (about 200 MB of text). Far above any device's
// flash; it only keeps a wrong multi-gigabyte file from exhausting memory.
constexpr std::size_t kMaxFirmwareImageSize = std::size_t(32) * 1024 * 1024;

// Why a firmware file was refused.
enum class EFirmwareFault : std::uint8_t {
    None,
    FileNotFound,     // no file at the path
    NotAFile,         // a folder or device rather than a regular file
    CannotOpen,       // the file exists but cannot be opened
    ReadError,        // reading failed part way
    BadVersionLine,   // line 1 is not five characters with hex digits at 1-2 and 4-5
    MissingImageLine, // the file ends after line 1
    ForbiddenByte,    // a NUL or Ctrl+Z byte in line 1 or 2: a damaged or binary file
    InvalidField,     // a field of line 2 is empty or not hexadecimal
    EmptyImage,       // line 2 holds no field
    IncompletePacket, // the image is not a whole number of 520-byte packets
    ImageTooLarge,    // more than kMaxFirmwareImageSize bytes
    OutOfMemory,
};

struct TFirmwareFault {
    EFirmwareFault Code = EFirmwareFault::None;
    int Line = 0;              // line of the file the fault is in (1 or 2), 0 when none applies
    std::size_t Column = 0;    // character position in that line, from 1; 0 when none applies
    std::size_t ImageSize = 0; // image bytes read when the load stopped
    std::string Field;         // the refused field as it stands in the file
};

// English description of a fault, for command-line tools and logs. The program's
// windows show the translated "BadFirmwareFile" instead.
std::string FirmwareFaultText(const TFirmwareFault& fault);

// Push parser for one firmware file. Feed the file's bytes in chunks of any size
// (the result does not depend on how the file is split), then call Finish.
class TFirmwareReader {
public:
    // Returns false once no more input is needed: the file has been refused, or
    // line 2 is complete (anything after it is ignored).
    bool Feed(const std::uint8_t* data, std::size_t size);

    // Marks the end of the file. True when the file is a valid firmware file.
    bool Finish();

    // Valid after a successful Finish: "010A" for 01.0A.
    const std::string& VersionCode() const { return FVersionCode; }
    // The packets read so far; after a successful Finish every one holds 520 bytes.
    TArrayOfByteArray& Packets() { return FPackets; }
    const TFirmwareFault& Fault() const { return FFault; }

private:
    enum class EState : std::uint8_t { VersionLine, ImageLine, Accepted, Refused };

    void ProcessByte(std::uint8_t c);
    void EndOfLine();
    void VersionByte(std::uint8_t c);
    void EndVersionLine();
    void ImageByte(std::uint8_t c);
    void CommitField();
    void EndImageLine();
    void Refuse(EFirmwareFault code, int line, std::size_t column, std::string field = {});

    EState FState = EState::VersionLine;
    bool FPendingCR = false; // a CR whose meaning (line end or character) waits for the next byte
    std::size_t FColumn = 0; // characters of the current line seen so far

    // Line 1, trimmed on the fly: at most five characters are ever kept.
    std::string FVersionText;
    std::string FPendingBlanks;
    std::size_t FPendingBlankCount = 0;

    // Line 2.
    bool FImageLinePresent = false;
    char FField[3] = {};
    std::size_t FFieldLength = 0;
    std::size_t FImageSize = 0;

    std::string FVersionCode;
    TArrayOfByteArray FPackets;
    TFirmwareFault FFault;
};

// Reads a firmware file from a stream opened in binary mode, in chunks. On
// success fills versionCode and packets; on failure leaves both empty and
// describes the reason in fault. Never throws.
bool ReadFirmware(std::istream& in, std::string& versionCode, TArrayOfByteArray& packets,
                  TFirmwareFault& fault);
