#pragma once

#include <QDialog>
#include <QIcon>
#include <QUrl>
#include <functional>
#include <map>

#include "list_lock.h"
#include "tree_widget_rows.h"
#include "ui_wakeup.h"
#include "widget_dialog_view.h"
#include "window_shell.h"

class QTreeWidget;

namespace norvik {

// The main window: the device list on the left, the picked device's network settings on the
// right, and the commands below, laid out from the dialog's template. What its controls do is
// the dialog's rules', what it wires up around them the window shell's; this class builds the
// widgets and routes their signals.
class MainDialog : public QDialog, private WindowToolkit {
    Q_OBJECT

public:
    explicit MainDialog(ListLock& lock, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Sets the dialog up (language file, receive threads, list columns) and runs it until it
    // ends. Returns the process's exit code: 0, or the code of a receive socket that could not
    // be set up.
    int run();
    // What run() does before the dialog shows; tests call it and then show the dialog.
    void initialize();

    int exitCode() const { return exitCode_; }
    Discovery& discovery() { return shell_.discovery(); }
    // How the web page is opened: the desktop's browser unless a test looks instead.
    void setUrlOpener(std::function<void(const QUrl&)> open) { openUrl_ = std::move(open); }

protected:
    void reject() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<int, QWidget*> buildControls();
    void connectControls();
    void showAbout();
    void Wake() override;
    void ShowMessageBox(std::u16string_view caption, std::u16string_view text) override;
    void EndDialog(int exitCode) override;

    ListLock& lock_;
    std::map<int, QWidget*> controls_;
    QTreeWidget* deviceList_ = nullptr;
    std::function<void(const QUrl&)> openUrl_;
    int exitCode_ = 0;

    UiWakeup wakeup_;
    TreeWidgetRows listRows_;
    WindowShell shell_;
    WidgetDialogView view_;
};

}  // namespace norvik
