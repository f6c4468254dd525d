// Fuzz target: the language file's bytes, read for every key the program looks up.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_check.h"
#include "ini_reader.h"
#include "language_loader.h"
#include "ui_string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static norvik::UiStringTable table;
    const std::span<const std::byte> file(reinterpret_cast<const std::byte*>(data), size);
    for (const norvik::UiStringEntry& entry : table.Entries()) {
        const std::u16string key =
            entry.replace_spaces()
                ? norvik::LanguageLoader::SpacesToUnderscores(entry.default_text())
                : std::u16string(entry.default_text());
        // One unit more than the lookup may use, which must stay untouched.
        char16_t buffer[norvik::kLanguageValueBufferLength + 1];
        buffer[norvik::kLanguageValueBufferLength] = u'\xABCD';
        const std::size_t count =
            norvik::ReadIniString(file, norvik::kLanguageSection, key, entry.default_text(),
                                  std::span<char16_t>(buffer, norvik::kLanguageValueBufferLength));
        norvik::fuzz::Check(count < norvik::kLanguageValueBufferLength && buffer[count] == 0 &&
                            buffer[norvik::kLanguageValueBufferLength] == u'\xABCD');
    }
    return 0;
}
