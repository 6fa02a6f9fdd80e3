#pragma once
// The binary language file "NLanguage.lng": 32-bit little-endian signed counts
// and length-prefixed 8-bit strings of at most 255 bytes.
//
//   L, L language names, K, then K entries: key, L texts (language 1 first).
//
// A count of 0 or less means no names or no entries. Everything else that does
// not fit the layout (a string longer than 255 bytes or with a negative length,
// counts that promise more than the file holds, a file that ends early) makes
// the whole file unusable: the parser never reads a byte beyond the buffer it
// is given and returns nothing partial.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr std::size_t kMaxLanguageString = 255;

struct TLanguageEntry {
    std::string Key;
    std::vector<std::string> Texts; // all columns, or only the chosen one (see ParseLanguageFile)
};

struct TLanguageFile {
    std::vector<std::string> Names;
    std::vector<TLanguageEntry> Entries;
    // How the file said it: counts below 0 are read as 0, bytes after the last
    // entry are ignored. Kept so that tools can point out such oddities.
    std::int32_t RawLanguageCount = 0;
    std::int32_t RawEntryCount = 0;
    std::size_t TrailingBytes = 0;
};

struct TLanguageFileError {
    enum class Kind { None, Truncated, NegativeLength, StringTooLong, CountTooLarge, FileTooLarge };
    Kind kind = Kind::None;
    std::size_t offset = 0; // byte offset of the field at fault
    std::int64_t value = 0; // the offending length or count
    explicit operator bool() const { return kind != Kind::None; }
    std::string describe() const;
};

// Column chooser: gets the language names and returns the column whose texts are
// kept (the others are skipped); return kAllColumns to keep every column.
constexpr int kAllColumns = -1;
using TColumnChooser = std::function<int(const std::vector<std::string>& names)>;

// Parses a whole file held in memory. On success `out` holds the file (with the
// chosen column only, when a chooser picks one) and the error is empty; on
// failure `out` is left empty and the error says where the file went wrong.
TLanguageFileError ParseLanguageFile(const std::uint8_t* data, std::size_t size, TLanguageFile& out,
                                     const TColumnChooser& chooseColumn = {});

// Writes the binary form. Fails (returns false, `error` set) when a string is
// longer than 255 bytes or an entry does not hold one text per language.
bool SerializeLanguageFile(const TLanguageFile& file, std::vector<std::uint8_t>& out, std::string& error);

// Files larger than this are refused without being read: a real language file
// is a few ten kilobytes.
constexpr std::size_t kMaxLanguageFileSize = 16u * 1024u * 1024u;
