// Feeds arbitrary bytes to the language file loader. Whatever it accepts must
// survive the round trips the tools make: binary -> binary, and binary -> source
// text -> binary, byte for byte.
// Run: build-fuzz/bin/fuzz_language -max_total_time=180 fuzz/corpus-run

#include "LanguageFile.h"
#include "LanguageSource.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TLanguageFile file;
    if (ParseLanguageFile(data, size, file))
        return 0;

    // One column only, as the translator reads it: must never fail where the full read succeeded.
    TLanguageFile oneColumn;
    if (ParseLanguageFile(data, size, oneColumn, [](const std::vector<std::string>& names) {
            return names.empty() ? 0 : int(names.size() - 1);
        }))
        std::abort();

    // Negative counts and trailing bytes are accepted but not reproduced.
    const bool canonical = file.RawLanguageCount >= 0 && file.RawEntryCount >= 0 && file.TrailingBytes == 0;
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!SerializeLanguageFile(file, bytes, error))
        std::abort();
    if (canonical && (bytes.size() != size || (size && std::memcmp(bytes.data(), data, size) != 0)))
        std::abort();

    TLanguageSource source;
    QStringList errors;
    if (!ParseLanguageSource(WriteLanguageSource(file), source, errors))
        std::abort();
    std::vector<std::uint8_t> rebuilt;
    if (!SerializeLanguageFile(source.File, rebuilt, error) || rebuilt != bytes)
        std::abort();
    return 0;
}
