// Whether a text holds a part, with the whole text in the message either way: one line where
// find() against npos and the text streamed after it take three.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

namespace norvik::test {

inline testing::AssertionResult Contains(std::string_view text, std::string_view part) {
    const bool found = text.find(part) != std::string_view::npos;
    testing::AssertionResult result =
        found ? testing::AssertionSuccess() : testing::AssertionFailure();
    return result << '"' << part << (found ? "\" is in:\n" : "\" is not in:\n") << text;
}

}  // namespace norvik::test
