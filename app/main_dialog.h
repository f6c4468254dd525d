#pragma once

#include <QDialog>
#include <QIcon>
#include <QUrl>
#include <atomic>
#include <functional>
#include <map>

#include "dialog_rules.h"
#include "discovery.h"
#include "list_lock.h"
#include "list_widget_sync.h"
#include "queued_list_view.h"
#include "ui_thread_messages.h"
#include "ui_wakeup.h"
#include "widget_dialog_view.h"

class QTreeWidget;

namespace norvik {

// The main window: the device list on the left, the picked device's network settings on the
// right, and the commands below, laid out from the dialog's template. What its controls do is
// the dialog's rules'; this class builds the widgets, routes their signals and keeps the
// device list widget in step with the receive threads.
class MainDialog : public QDialog {
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
    Discovery& discovery() { return discovery_; }
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
    // What the receive threads asked of the user-interface thread.
    void onWoken();
    void stopDiscovery();

    ListLock& lock_;
    std::map<int, QWidget*> controls_;
    QTreeWidget* deviceList_ = nullptr;
    std::function<void(const QUrl&)> openUrl_;
    int exitCode_ = 0;
    bool stopped_ = false;

    // In the order the receive threads need them; they stop before any of these goes away.
    UiWakeup wakeup_;
    std::atomic<int> failureExitCode_{0};  // set by a receive thread whose socket failed
    UiThreadMessages messages_;
    QueuedListView rows_;
    ListWidgetSync rowsWidget_;
    Discovery discovery_;
    WidgetDialogView view_;
    DialogRules rules_;
};

}  // namespace norvik
