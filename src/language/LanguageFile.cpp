#include "LanguageFile.h"

namespace {

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t offset() const { return m_pos; }
    std::size_t remaining() const { return m_size - m_pos; }

    bool readInt(std::int32_t& value, TLanguageFileError& error) {
        if (remaining() < 4) {
            error = {TLanguageFileError::Kind::Truncated, m_pos, 4};
            return false;
        }
        const std::uint32_t v = std::uint32_t(m_data[m_pos]) | (std::uint32_t(m_data[m_pos + 1]) << 8) |
                                (std::uint32_t(m_data[m_pos + 2]) << 16) |
                                (std::uint32_t(m_data[m_pos + 3]) << 24);
        value = static_cast<std::int32_t>(v);
        m_pos += 4;
        return true;
    }

    // Reads a string; with no target it is only stepped over.
    bool readString(std::string* text, TLanguageFileError& error) {
        const std::size_t at = m_pos;
        std::int32_t length = 0;
        if (!readInt(length, error))
            return false;
        if (length < 0) {
            error = {TLanguageFileError::Kind::NegativeLength, at, length};
            return false;
        }
        if (std::size_t(length) > kMaxLanguageString) {
            error = {TLanguageFileError::Kind::StringTooLong, at, length};
            return false;
        }
        if (remaining() < std::size_t(length)) {
            error = {TLanguageFileError::Kind::Truncated, m_pos, length};
            return false;
        }
        if (text)
            text->assign(reinterpret_cast<const char*>(m_data + m_pos), std::size_t(length));
        m_pos += std::size_t(length);
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

void putInt(std::vector<std::uint8_t>& out, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v >> 16));
    out.push_back(std::uint8_t(v >> 24));
}

} // namespace

std::string TLanguageFileError::describe() const {
    const std::string at = " at byte " + std::to_string(offset);
    switch (kind) {
    case Kind::None:
        return {};
    case Kind::Truncated:
        return "the file ends early" + at + " (" + std::to_string(value) + " more bytes expected)";
    case Kind::NegativeLength:
        return "negative string length " + std::to_string(value) + at;
    case Kind::StringTooLong:
        return "string of " + std::to_string(value) + " bytes" + at + " (at most 255 allowed)";
    case Kind::CountTooLarge:
        return "count " + std::to_string(value) + at + " is larger than the file can hold";
    case Kind::FileTooLarge:
        return "file of " + std::to_string(value) + " bytes is too large for a language file";
    }
    return {};
}

TLanguageFileError ParseLanguageFile(const std::uint8_t* data, std::size_t size, TLanguageFile& out,
                                     const TColumnChooser& chooseColumn) {
    out = TLanguageFile{};
    TLanguageFileError error;
    if (size > kMaxLanguageFileSize)
        return {TLanguageFileError::Kind::FileTooLarge, 0, std::int64_t(size)};

    Reader in(data, size);
    TLanguageFile file;

    std::size_t at = in.offset();
    if (!in.readInt(file.RawLanguageCount, error))
        return error;
    const std::size_t languageCount = file.RawLanguageCount > 0 ? std::size_t(file.RawLanguageCount) : 0;
    // Every string takes at least its 4-byte length: a count the rest of the file
    // cannot hold is refused before anything is allocated for it.
    if (languageCount > in.remaining() / 4)
        return {TLanguageFileError::Kind::CountTooLarge, at, file.RawLanguageCount};
    file.Names.resize(languageCount);
    for (auto& name : file.Names)
        if (!in.readString(&name, error))
            return error;

    // Column whose texts are kept: all of them (also when there are none), or one.
    int column = kAllColumns;
    if (chooseColumn && languageCount > 0) {
        column = chooseColumn(file.Names);
        if (column != kAllColumns && (column < 0 || std::size_t(column) >= languageCount))
            column = 0;
    }

    at = in.offset();
    if (!in.readInt(file.RawEntryCount, error))
        return error;
    const std::size_t entryCount = file.RawEntryCount > 0 ? std::size_t(file.RawEntryCount) : 0;
    if (entryCount > in.remaining() / (4 * (languageCount + 1)))
        return {TLanguageFileError::Kind::CountTooLarge, at, file.RawEntryCount};
    file.Entries.resize(entryCount);
    for (auto& entry : file.Entries) {
        if (!in.readString(&entry.Key, error))
            return error;
        if (column == kAllColumns)
            entry.Texts.resize(languageCount);
        else
            entry.Texts.resize(1);
        for (std::size_t i = 0; i < languageCount; ++i) {
            std::string* target = nullptr;
            if (column == kAllColumns)
                target = &entry.Texts[i];
            else if (std::size_t(column) == i)
                target = &entry.Texts[0];
            if (!in.readString(target, error))
                return error;
        }
    }
    file.TrailingBytes = in.remaining();
    out = std::move(file);
    return {};
}

bool SerializeLanguageFile(const TLanguageFile& file, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    const auto putString = [&](const std::string& text, const std::string& what) {
        if (text.size() > kMaxLanguageString) {
            error = what + " is " + std::to_string(text.size()) + " bytes long (at most 255 allowed)";
            return false;
        }
        putInt(out, std::int32_t(text.size()));
        out.insert(out.end(), text.begin(), text.end());
        return true;
    };
    putInt(out, std::int32_t(file.Names.size()));
    for (const auto& name : file.Names)
        if (!putString(name, "language name \"" + name.substr(0, 40) + "\""))
            return false;
    putInt(out, std::int32_t(file.Entries.size()));
    for (const auto& entry : file.Entries) {
        if (entry.Texts.size() != file.Names.size()) {
            error = "key \"" + entry.Key + "\" has " + std::to_string(entry.Texts.size()) + " texts for " +
                    std::to_string(file.Names.size()) + " languages";
            return false;
        }
        if (!putString(entry.Key, "key \"" + entry.Key.substr(0, 40) + "\""))
            return false;
        for (std::size_t i = 0; i < entry.Texts.size(); ++i)
            if (!putString(entry.Texts[i], "text of \"" + entry.Key + "\" in " + file.Names[i]))
                return false;
    }
    return true;
}
