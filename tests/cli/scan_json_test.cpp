// norvik-scan's document written as it goes is the very text of the document built whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "device_json.h"
#include "device_text.h"
#include "memory_list_view.h"
#include "test_files.h"

namespace norvik::cli {
namespace {

std::string WrittenText(const MemoryListView& view, const DeviceList& list,
                        const std::vector<std::vector<std::string>>& warnings) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    if (file == nullptr) {
        return {};
    }
    EXPECT_TRUE(WriteScanJson(file, view, list, warnings));
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

TEST(ScanJson, WrittenAsItGoesIsTheWholeDocumentByteForByte) {
    DeviceList list;
    MemoryListView view;
    // Names as a network may send them: quotes and backslashes, control characters, invalid
    // UTF-8, other scripts, and none at all.
    const char* const names[] = {"hall \"1\" \\ 2",
                                 "tab\tline\nfeed\x01\x1f\x7f",
                                 "\xff\xfe\xc3 cut",
                                 "C\xc3\xa1mara \xe7\x9b\xa3\xe8\xa6\x96",
                                 "",
                                 "</script>{\"devices\":[]}"};
    std::uint8_t last = 0;
    for (const char* name : names) {
        DeviceRecord& record = *list.AppendRecord({0x00, 0x1a, 0x07, 0x10, 0x00, ++last});
        std::memcpy(record.name.data(), name, std::min(std::strlen(name), record.name.size()));
        std::memcpy(record.tag.data(), name, std::min(std::strlen(name), record.tag.size()));
        record.http_port = 65535;
        record.interface_index = last;
        list.SetAddress(record, {10, 0, 0, last});
        list.ListRecord(record, view, MakeRowTexts(record.name, record.ip));
    }
    // A row whose text is no valid UTF-16: a lone surrogate.
    list.InsertRow(99, view, {u"\xd800 lone", u"\"10.0.0.99\""});
    // Warnings for the first records only, as for records heard after the warnings were made.
    const std::vector<std::vector<std::string>> warnings = {{}, {"link-local", "a \"b\"\n"}};
    EXPECT_EQ(WrittenText(view, list, warnings), JsonText(ScanJson(view, list, warnings)));

    // A full list, with reports dropped, goes beyond one block of the writer.
    for (std::uint32_t i = 0; !list.full(); ++i) {
        list.AppendRecord({0x02, 0x00, static_cast<std::uint8_t>(i >> 16),
                           static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i), 0});
    }
    EXPECT_EQ(list.AppendRecord({0x02, 0xff, 0, 0, 0, 0}), nullptr);
    const std::string full = WrittenText(view, list, warnings);
    EXPECT_EQ(full, JsonText(ScanJson(view, list, warnings)));
    EXPECT_NE(full.find("],\"dropped_devices\":1}\n"), std::string::npos);
}

TEST(ScanJson, AFailedWriteIsToldNotHidden) {
    // A stream opened for reading refuses every write.
    const test::TemporaryDirectory directory;
    const std::string path = (directory / "document.json").string();
    test::WriteFile(path, {});
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    DeviceList list;
    MemoryListView view;
    EXPECT_FALSE(WriteScanJson(file, view, list, {}));
    std::fclose(file);
}

}  // namespace
}  // namespace norvik::cli
