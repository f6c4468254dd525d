// The window and the device simulator together, in a private network namespace: devices are
// found, one is changed through the dialog, and a new search shows the device's new settings.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "ip_address_edit.h"
#include "main_dialog.h"
#include "message_box.h"
#include "subprocess.h"
#include "wait_for.h"

using namespace std::chrono_literals;

class EndToEndTest : public QObject {
    Q_OBJECT

private:
    QTreeWidgetItem* Row(QTreeWidget* list, const QString& name) const {
        const auto found = list->findItems(name, Qt::MatchExactly, 1);
        return found.isEmpty() ? nullptr : found.front();
    }

private slots:
    void initTestCase() {
        norvik::MessageBox::answerForTests();
        // Read when the first window is made.
        QVERIFY(trace_.open());
        qputenv("NORVIK_TRACE", trace_.fileName().toLocal8Bit());
    }

    void FindsChangesAndFindsAgain() {
        const std::string devices = std::string(NORVIK_TEST_DATA_DIR) + "/devsim/devices.txt";
        norvik::test::BackgroundProcess devsim(
            norvik::test::Command({NORVIK_TOOL_NORVIK_DEVSIM, "--file", devices}));
        QVERIFY(devsim.WaitForOutput("ready\n", 10s));

        norvik::ListLock lock("");
        norvik::MainDialog dialog(lock);
        dialog.initialize();
        dialog.show();
        auto* list = dialog.findChild<QTreeWidget*>("DeviceList");
        QTRY_COMPARE(list->topLevelItemCount(), 4);
        QVERIFY(Row(list, "cam-1") != nullptr);
        QCOMPARE(Row(list, "cam-1")->text(2), QString("192.168.001.010"));
        QCOMPARE(Row(list, "server-3")->text(2), QString("192.168.001.012"));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(Row(list, "server-3")).center());
        auto* name = dialog.findChild<QLineEdit*>("NameEdit");
        QCOMPARE(name->text(), QString("server-3"));
        name->selectAll();
        QTest::keyClicks(name, "Archive");
        dialog.findChild<norvik::IpAddressEdit*>("IpControl")->setAddress(0xC0A80163);
        QTest::mouseClick(dialog.findChild<QPushButton*>("SubmitButton"), Qt::LeftButton);
        QVERIFY(devsim.WaitForOutput("applied 00:11:22:33:44:03 ", 5s));

        // The device's answer to Submit may be in a receive loop at this moment, and Search
        // drops a press meanwhile, as it would a person's: press until one is taken (it empties
        // the list before it returns).
        auto* search = dialog.findChild<QPushButton*>("SearchDeviceButton");
        QVERIFY(norvik::test::PressUntilTaken([&] { QTest::mouseClick(search, Qt::LeftButton); },
                                              [&] { return Row(list, "server-3") == nullptr; },
                                              [] { QTest::qWait(20); }));
        QTRY_COMPARE(list->topLevelItemCount(), 4);
        QVERIFY(Row(list, "Archive") != nullptr);
        QCOMPARE(Row(list, "Archive")->text(2), QString("192.168.001.099"));

        QTest::mouseClick(dialog.findChild<QPushButton*>("ExitButton"), Qt::LeftButton);
        QCOMPARE(dialog.exitCode(), 0);

        // The log NORVIK_TRACE asked for: the start-up searches, Submit and Search, and what
        // became of the devices' reports.
        const QString trace = QString::fromUtf8(trace_.readAll());
        QCOMPARE(trace.count("request to 255.255.255.255:4022 by the routing table: sent 74"), 3);
        QCOMPARE(trace.count("request to 255.255.255.255:4023 by the routing table: sent 445"), 2);
        QCOMPARE(trace.count(QRegularExpression(" on lo, \\d+ bytes: new device, row \\d\n")), 8);
    }

private:
    QTemporaryFile trace_;
};

QTEST_MAIN(EndToEndTest)
#include "end_to_end_test.moc"
