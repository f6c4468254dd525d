// What a socket error says: the system's own words, as UTF-8 whatever its language (the Windows
// suite runs this in French, whose words are not ASCII), and the code.
#include "udp_socket.h"

#include <gtest/gtest.h>

#include "text_assertions.h"
#include "utf.h"

namespace norvik::test {
namespace {

TEST(UdpSocket, AnErrorIsSaidInUtf8WithItsCode) {
#ifdef _WIN32
    const int codes[] = {10013, 10048, 10051, 10054, 10061};  // WSAEACCES ... WSAECONNREFUSED
#else
    const int codes[] = {13, 98, 101, 104, 111};
#endif
    for (const int code : codes) {
        const std::string text = SocketErrorText(code);
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text) << "not UTF-8: " << text;
        EXPECT_TRUE(Contains(text, " (error " + std::to_string(code) + ")"));
        EXPECT_GT(text.find(" (error "), 0u) << "no words: " << text;
    }
}

}  // namespace
}  // namespace norvik::test
