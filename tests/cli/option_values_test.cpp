// Option values and the phrases that refuse them.
#include "option_values.h"

#include <gtest/gtest.h>

#include <limits>

namespace norvik::cli {
namespace {

constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();

TEST(OptionValues, SecondsAsAPersonWritesThem) {
    struct Case {
        const char* text;
        double seconds;
    };
    const Case cases[] = {{"3", 3},          {"0.5", 0.5},     {"2.", 2},  {".5", 0.5}, {"0", 0},
                          {" 1.25\t", 1.25}, {"86400", 86400}, {"007", 7}, {"0.000", 0}};
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_EQ(ParseSeconds(c.text, 0, 86400, problem), c.seconds) << c.text;
        EXPECT_EQ(problem, "") << c.text;
    }
}

TEST(OptionValues, SecondsRefusedWithWhatTheOptionTakes) {
    const std::string bad[] = {"-1",  "+1",  "1e3", "1E3",     "0x10",  "inf",
                               "nan", "INF", ".",   "",        " ",     "1.2.3",
                               "1 2", "1,5", "١",   "86400.5", "86401", std::string(400, '9')};
    for (const std::string& text : bad) {
        std::string problem;
        EXPECT_FALSE(ParseSeconds(text, 0, 86400, problem)) << text;
        EXPECT_TRUE(problem.starts_with("takes seconds from 0 to 86400, not \"")) << problem;
    }
    std::string problem;
    EXPECT_FALSE(ParseSeconds("0.1", 0.5, 2.5, problem));
    EXPECT_EQ(problem, "takes seconds from 0.5 to 2.5, not \"0.1\"");
    // An interval: more than 0, and "0.000" is 0 too.
    for (const char* zero : {"0", "0.000"}) {
        EXPECT_FALSE(ParseSeconds(zero, 0, 86400, problem, /*more_than_min=*/true));
        EXPECT_EQ(problem, "takes seconds more than 0 and at most 86400, not \"" +
                               std::string(zero) + "\"");
    }
    EXPECT_EQ(ParseSeconds("0.001", 0, 86400, problem, /*more_than_min=*/true), 0.001);
}

TEST(OptionValues, CountsAreDigitsWithinTheirRange) {
    std::string problem;
    EXPECT_EQ(ParseCount("1", 1, 1000000, problem), 1u);
    EXPECT_EQ(ParseCount(" 1000000\t", 1, 1000000, problem), 1000000u);
    EXPECT_EQ(ParseCount("0042", 0, 100, problem), 42u);
    EXPECT_EQ(ParseCount("18446744073709551615", 0, kMax64, problem), kMax64);
    EXPECT_EQ(problem, "");
    const char* const bad[] = {"0",
                               "1000001",
                               "-1",
                               "+1",
                               "1.0",
                               "1e3",
                               "0x10",
                               "",
                               " ",
                               "1 2",
                               "abc",
                               "1,000",
                               "18446744073709551616",
                               "99999999999999999999999999"};
    for (const char* text : bad) {
        EXPECT_FALSE(ParseCount(text, 1, 1000000, problem)) << text;
        EXPECT_TRUE(problem.starts_with("takes a whole number from 1 to 1000000, not \""))
            << problem;
    }
    EXPECT_FALSE(ParseCount("18446744073709551616", 0, kMax64, problem));
    EXPECT_FALSE(ParseCount("abc", 1, 1000000, problem));
    EXPECT_EQ(problem, "takes a whole number from 1 to 1000000, not \"abc\"");
}

TEST(OptionValues, ProtocolsAreNamedOnceEachSeparatedByCommas) {
    std::string problem;
    const auto all = ParseProtocols(" onvif ,pcedit,3297", problem);
    ASSERT_TRUE(all.has_value());
    EXPECT_TRUE(all->pcedit && all->p3297 && all->onvif);
    const auto onvif = ParseProtocols("onvif", problem);
    ASSERT_TRUE(onvif.has_value());
    EXPECT_FALSE(onvif->pcedit || onvif->p3297);
    EXPECT_TRUE(onvif->onvif);
    for (const char* bad :
         {"", ",", "onvif,", "onvif,onvif", "ONVIF", "pcedit;3297", "all", "pcedit,,3297"}) {
        EXPECT_FALSE(ParseProtocols(bad, problem)) << bad;
        EXPECT_TRUE(problem.starts_with(
            "takes pcedit, 3297 and onvif, separated by commas, each once, not \""))
            << problem;
    }
}

TEST(OptionValues, AHostileValueStaysOnOneLineOfPrintableText) {
    std::string problem;
    EXPECT_FALSE(ParseCount("1\n\x1b[2J\"\\\xff", 1, 10, problem));
    EXPECT_EQ(problem, "takes a whole number from 1 to 10, not \"1\\x0a\\x1b[2J\\\"\\\\\\xff\"");
    EXPECT_FALSE(ParseSeconds(std::string(1000, 'x'), 0, 1, problem));
    EXPECT_EQ(problem, "takes seconds from 0 to 1, not \"" + std::string(64, 'x') + "\"...");
    EXPECT_EQ(QuotedValue(std::string_view("a\0b\x7f", 4)), "\"a\\x00b\\x7f\"");
}

}  // namespace
}  // namespace norvik::cli
