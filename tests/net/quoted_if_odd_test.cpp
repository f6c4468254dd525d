// What a line shows of a device's bytes: nothing a terminal would take for a control, nothing
// that splits a line or its fields.
#include "quoted_if_odd.h"

#include <gtest/gtest.h>

namespace norvik {
namespace {

TEST(QuotedIfOdd, PlainTextAsItIsAndTheRestQuotedAsInJson) {
    EXPECT_EQ(QuotedIfOdd("Cámara 1"), "Cámara 1");
    EXPECT_EQ(QuotedIfOdd("\xc2\xa0no-break"), "\xc2\xa0no-break");
    EXPECT_EQ(QuotedIfOdd("\"door\" 2"), "\"\\\"door\\\" 2\"");
    EXPECT_EQ(QuotedIfOdd("a\\b\n\tc\r\b\f"), "\"a\\\\b\\n\\tc\\r\\b\\f\"");
    EXPECT_EQ(QuotedIfOdd(std::string_view("a\x1b[2J\0", 6)), "\"a\\u001b[2J\\u0000\"");
}

TEST(QuotedIfOdd, NeitherNotUtf8NorDelNorC1ControlsReachTheTerminal) {
    // 0x9b alone is the 8-bit CSI; U+009B the same where C1 controls are honoured.
    EXPECT_EQ(QuotedIfOdd("\x9b" "2J"), "\"\xef\xbf\xbd" "2J\"");
    EXPECT_EQ(QuotedIfOdd("\xc2\x9b"
                          "2J\x7f\xc2\x80\xc2\x9f"),
              "\"\\u009b2J\\u007f\\u0080\\u009f\"");
    EXPECT_EQ(QuotedIfOdd("ab\xc3"), "\"ab\xef\xbf\xbd\"");
    // The same name after a trip through text (the list's rows, JSON) is quoted the same.
    EXPECT_EQ(QuotedIfOdd("ab\xef\xbf\xbd"), "\"ab\xef\xbf\xbd\"");
}

}  // namespace
}  // namespace norvik
