#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace norvik {

// The translatable texts of the main dialog, in table order: the order in which the language
// file is consulted.
enum class UiStringId {
    DeviceLists,
    ServerName,
    IpAddress,
    Static,
    Dhcp,
    Name,
    Ip,
    Netmask,
    Gateway,
    Dns1,
    Dns2,
    Port1,
    Mac,
    SearchDevice,
    Submit,
    Exit,
    InstructionsTitle,
    InstructionStep1,
    InstructionStep2,
    InstructionStep3,
    InstructionStep4,
    InstructionStep5,
    IpGatewayMismatch,
};

inline constexpr std::size_t kUiStringCount = 23;

// One text with its English default. The default also names the text in the language file:
// with replace_spaces set, its spaces become underscores there.
class UiStringEntry {
public:
    UiStringEntry(UiStringId id, std::u16string_view default_text, bool replace_spaces);
    UiStringEntry(const UiStringEntry&) = default;
    UiStringEntry& operator=(const UiStringEntry&) = delete;

    UiStringId id() const { return id_; }
    std::u16string_view default_text() const { return default_text_; }
    bool replace_spaces() const { return replace_spaces_; }
    const std::u16string& text() const { return text_; }

private:
    friend class LanguageLoader;  // a translation is the only change an entry ever sees

    UiStringId id_;
    std::u16string_view default_text_;
    bool replace_spaces_;
    std::u16string text_;
};

class UiStringTable {
public:
    // Every entry at its English default.
    UiStringTable();

    // The entry's current text (c_str() gives it null-terminated).
    const std::u16string& Text(UiStringId id) const;
    // Entries are handed out for reading and for the language loader, the only one that
    // changes them.
    const UiStringEntry& Entry(UiStringId id) const;
    std::span<const UiStringEntry> Entries() const { return entries_; }
    std::span<UiStringEntry> Entries() { return entries_; }

private:
    std::array<UiStringEntry, kUiStringCount> entries_;
};

// The program's one table, filled with the defaults the first time anything asks for it.
UiStringTable& ProcessUiStringTable();

}  // namespace norvik
