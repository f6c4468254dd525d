#pragma once

#include "message_box.h"

namespace norvik::test {

// The entry of the suites that make the dialog in their own process: sockets and the common
// controls as the program sets them up, the boxes the dialog shows answered by `answer`, then
// every test.
int RunDialogTests(int argc, char** argv, MessageBoxFunction answer);

}  // namespace norvik::test
