#include <QApplication>
#include <QIcon>

#include "list_lock.h"
#include "main_dialog.h"
#include "ui_string_table.h"

int main(int argc, char** argv) {
    // The English texts are in place before anything else runs.
    norvik::ProcessUiStringTable();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Norvik");
    QApplication::setWindowIcon(QIcon(":/norvik/norvik.png"));
    norvik::ListLock lock(norvik::ListLock::DefaultPath());
    norvik::MainDialog dialog(lock);
    return dialog.run();
}
