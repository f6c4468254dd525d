#include "norvik_app.h"

#include "dialog_messages.h"
#include "main_dialog.h"
#include "message_box.h"
#include "udp_socket.h"

namespace norvik {

int NorvikApp::InitInstance() {
    if (!StartSockets()) {
        MessageBox::Show(nullptr, QString::fromUtf16(DialogMessages::kApplicationName),
                         "Windows Socket Interface Initialization Failed");
        return 1;
    }
    MainDialog dialog(lock_);
    return dialog.DoModal();
}

}  // namespace norvik
