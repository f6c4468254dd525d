// The main window driven through its real widgets, on the offscreen platform, inside a
// private network namespace of its own (the receive threads broadcast when it starts).
#include "main_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "ip_address.h"
#include "ip_address_edit.h"
#include "message_box.h"
#include "report_bytes.h"
#include "udp_peer.h"

using namespace std::chrono_literals;
using norvik::IpAddressEdit;
using norvik::MainDialog;
using norvik::MessageBox;
using norvik::test::Bytes;
using norvik::test::Device;
using norvik::test::PcEditReport;
using norvik::test::Report3297;
using norvik::test::UdpPeer;

class MainDialogTest : public QObject {
    Q_OBJECT

private:
    template <typename Widget>
    Widget* Find(const char* name) const {
        auto* widget = dialog_->findChild<Widget*>(name);
        if (widget == nullptr) {
            qFatal("no widget %s", name);
        }
        return widget;
    }
    QTreeWidget* List() const { return Find<QTreeWidget>("DeviceList"); }

    // Starts the dialog as the program does, once its receive sockets are bound.
    void Start() {
        dialog_->OnInitDialog();
        dialog_->show();
        QVERIFY(dialog_->discovery().WaitUntilListening(std::chrono::seconds(5)));
    }
    void Report(const Bytes& report, std::uint16_t port = 4022) {
        QVERIFY(device_.Broadcast(report, port));
    }
    // The row showing a device name.
    QTreeWidgetItem* Row(const QString& name) const {
        const auto found = List()->findItems(name, Qt::MatchExactly, 1);
        return found.isEmpty() ? nullptr : found.front();
    }
    void Click(QTreeWidgetItem* item) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          List()->visualItemRect(item).center());
    }
    // A person's double-click: its first click selects the row.
    void DoubleClick(QTreeWidgetItem* item) {
        Click(item);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {},
                           List()->visualItemRect(item).center());
    }
    QString Address(const char* control) const {
        quint32 packed = 0;
        Find<IpAddressEdit>(control)->GetAddress(packed);
        const norvik::Ipv4 a = norvik::UnpackedAddress(packed);
        return QString("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
    }
    // Broadcasts devices and waits until all have rows.
    void ListDevices(const std::vector<Bytes>& reports) {
        for (const Bytes& report : reports) {
            Report(report);
        }
        QTRY_COMPARE(List()->topLevelItemCount(), static_cast<int>(reports.size()));
    }

    std::unique_ptr<norvik::ListLock> lock_;
    std::unique_ptr<MainDialog> dialog_;
    UdpPeer device_;
    QStringList opened_urls_;

private slots:
    void initTestCase() { MessageBox::AnswerForTests(); }

    void init() {
        MessageBox::TakeShown();
        opened_urls_.clear();
        lock_ = std::make_unique<norvik::ListLock>("");
        dialog_ = std::make_unique<MainDialog>(*lock_);
        dialog_->SetUrlOpener([this](const QUrl& url) { opened_urls_ << url.toString(); });
    }

    void cleanup() {
        dialog_.reset();
        lock_.reset();
    }

    void StartsEmptyWithTheTemplateLayout() {
        List()->resize(360, List()->height());
        Start();
        QCOMPARE(dialog_->windowTitle(), QString("Norvik V3.0"));
        QVERIFY(!(dialog_->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog_->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
        QCOMPARE(Find<QLineEdit>("Port1Edit")->text(), QString());
        QVERIFY(Find<QRadioButton>("StaticRadio")->isHidden());
        QVERIFY(Find<QRadioButton>("DhcpRadio")->isHidden());
        QVERIFY(Find<QLineEdit>("UserNameEdit")->isHidden());
        QVERIFY(Find<IpAddressEdit>("IpControl")->IsBlank());
        QCOMPARE(List()->header()->sectionSize(0), 0);
        QCOMPARE(List()->header()->sectionSize(1), 202);
        QCOMPARE(List()->header()->sectionSize(2), 135);
        QCOMPARE(List()->headerItem()->text(1), QString("Server Name"));
        QCOMPARE(List()->headerItem()->text(2), QString("IP Address"));
        QCOMPARE(Find<QLabel>("DeviceListsLabel")->text(), QString("Device lists:"));
        QTRY_VERIFY(Find<IpAddressEdit>("IpControl")->isAncestorOf(QApplication::focusWidget()));
    }

    void TheNameTakesThirtyOneCharactersAndThePortZeroTo65536() {
        Start();
        auto* name = Find<QLineEdit>("NameEdit");
        QTest::keyClicks(name, QString(40, 'n'));
        QCOMPARE(name->text().size(), 31);

        auto* port = Find<QLineEdit>("Port1Edit");
        port->setText("65536");
        QVERIFY(dialog_->UpdateData(true));
        QCOMPARE(dialog_->m_nPort, 65536);
        for (const char* bad : {"65537", "-1"}) {
            port->setText(bad);
            QVERIFY(!dialog_->UpdateData(true));
            const auto shown = MessageBox::TakeShown();
            QCOMPARE(shown.size(), std::size_t{1});
            QCOMPARE(shown[0].text, QString("Please enter an integer between 0 and 65536."));
            QTRY_COMPARE(QApplication::focusWidget(), port);
        }
        port->setText("");
        QVERIFY(!dialog_->UpdateData(true));
        QCOMPARE(MessageBox::TakeShown().at(0).text, QString("Please enter an integer."));
    }

    void AClickShowsTheRowsDeviceAndAClickBelowChangesNothing() {
        Start();
        Device camera;
        camera.WithMacLastOctet(0xAB).Named("camera");
        camera.http_port = "8080";
        camera.dns1 = {1, 2, 3, 4};
        Device quiet;
        quiet.WithMacLastOctet(2).WithIp({10, 0, 0, 2}).Named("quiet");
        quiet.http_port = "0";
        ListDevices({PcEditReport(camera), PcEditReport(quiet, 60)});

        Click(Row("camera"));
        QCOMPARE(Find<QLineEdit>("NameEdit")->text(), QString("camera"));
        QCOMPARE(Find<QLineEdit>("MacEdit")->text(), QString("00:11:22:33:44:AB"));
        QCOMPARE(Find<QLineEdit>("Port1Edit")->text(), QString("8080"));
        QCOMPARE(Address("IpControl"), QString("192.168.1.10"));
        QCOMPARE(Address("Dns1Control"), QString("1.2.3.4"));
        QVERIFY(Find<IpAddressEdit>("Dns1Control")->isEnabled());
        QVERIFY(!Find<QRadioButton>("DhcpRadio")->isHidden());
        QVERIFY(Find<QRadioButton>("StaticRadio")->isChecked());

        // Below the last row: neither the selection nor the controls change.
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          QPoint(20, List()->viewport()->height() - 5));
        QCOMPARE(Find<QLineEdit>("NameEdit")->text(), QString("camera"));

        // A short report: no DNS servers (shown, but disabled), no DHCP group, port 0.
        Click(Row("quiet"));
        QCOMPARE(Find<QLineEdit>("Port1Edit")->text(), QString());
        QVERIFY(!Find<IpAddressEdit>("Dns1Control")->isEnabled());
        QVERIFY(Find<QRadioButton>("DhcpRadio")->isHidden());
        QVERIFY(Find<IpAddressEdit>("IpControl")->isEnabled());
    }

    void DhcpDevicesLockTheAddressControls() {
        Start();
        Device d;
        d.Named("dhcp");
        d.dhcp = 1;
        ListDevices({PcEditReport(d)});
        Click(Row("dhcp"));
        QVERIFY(Find<QRadioButton>("DhcpRadio")->isChecked());
        QVERIFY(!Find<QRadioButton>("StaticRadio")->isChecked());
        for (const char* name : {"IpControl", "NetmaskControl", "GatewayControl"}) {
            QVERIFY(!Find<IpAddressEdit>(name)->isEnabled());
        }
        QTest::mouseClick(Find<QRadioButton>("StaticRadio"), Qt::LeftButton);
        QVERIFY(!Find<QRadioButton>("DhcpRadio")->isChecked());
        QVERIFY(Find<QRadioButton>("StaticRadio")->isChecked());
        QVERIFY(Find<IpAddressEdit>("GatewayControl")->isEnabled());
        QTest::mouseClick(Find<QRadioButton>("DhcpRadio"), Qt::LeftButton);
        QVERIFY(Find<QRadioButton>("DhcpRadio")->isChecked());
        QVERIFY(!Find<IpAddressEdit>("NetmaskControl")->isEnabled());
    }

    void ADoubleClickOpensTheWebPage() {
        Start();
        const std::vector<std::pair<std::string, QString>> cases{
            {"80", "http://192.168.1.10"},    {"0", "http://192.168.1.10"},
            {"-1", "http://192.168.1.10"},    {"65536", "http://192.168.1.10"},
            {"81", "http://192.168.1.10:81"}, {"65535", "http://192.168.1.10:65535"}};
        std::vector<Bytes> reports;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            Device d;
            d.WithMacLastOctet(static_cast<std::uint8_t>(i)).Named("port" + cases[i].first);
            d.http_port = cases[i].first;
            reports.push_back(PcEditReport(d));
        }
        ListDevices(reports);
        QStringList expected;
        for (const auto& [port, url] : cases) {
            DoubleClick(Row(QString::fromStdString("port" + port)));
            expected << url;
        }
        QCOMPARE(opened_urls_, expected);
        // Empty space after a selection opens the selected device's page again.
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {},
                           QPoint(20, List()->viewport()->height() - 5));
        QCOMPARE(opened_urls_.size(), expected.size() + 1);
        QCOMPARE(opened_urls_.back(), expected.back());
    }

    void HeaderClicksSortTheRows() {
        Start();
        Device b, a, c;
        b.WithMacLastOctet(1).Named("b");
        a.WithMacLastOctet(2).Named("a");
        c.WithMacLastOctet(3).Named("c");
        ListDevices({PcEditReport(b)});
        ListDevices({PcEditReport(b), PcEditReport(a)});
        ListDevices({PcEditReport(b), PcEditReport(a), PcEditReport(c)});
        const auto names = [this] {
            QStringList texts;
            for (int i = 0; i < List()->topLevelItemCount(); ++i) {
                texts << List()->topLevelItem(i)->text(1);
            }
            return texts;
        };
        QCOMPARE(names(), (QStringList{"b", "a", "c"}));
        QTest::mouseClick(List()->header()->viewport(), Qt::LeftButton, {},
                          QPoint(List()->header()->sectionViewportPosition(1) + 20, 5));
        QCOMPARE(names(), (QStringList{"c", "b", "a"}));
        QTest::mouseClick(List()->header()->viewport(), Qt::LeftButton, {},
                          QPoint(List()->header()->sectionViewportPosition(1) + 20, 5));
        QCOMPARE(names(), (QStringList{"a", "b", "c"}));
        // A row keeps its device after sorting.
        Click(Row("c"));
        QCOMPARE(Find<QLineEdit>("NameEdit")->text(), QString("c"));
    }

    void SearchEmptiesTheListAndSendsBothRequests() {
        Start();
        Device d;
        d.Named("cam");
        ListDevices({PcEditReport(d)});
        Click(Row("cam"));
        UdpPeer pcedit_port(4022);
        UdpPeer port_3297(4023);

        // While a receive loop is busy with a datagram the press does nothing.
        dialog_->discovery().receive_busy() = 1;
        QTest::mouseClick(Find<QPushButton>("SearchDeviceButton"), Qt::LeftButton);
        QCOMPARE(List()->topLevelItemCount(), 1);
        QVERIFY(!pcedit_port.Receive(100ms));
        dialog_->discovery().receive_busy() = 0;

        QTest::mouseClick(Find<QPushButton>("SearchDeviceButton"), Qt::LeftButton);
        QCOMPARE(List()->topLevelItemCount(), 0);
        QCOMPARE(Find<QLineEdit>("NameEdit")->text(), QString());
        QCOMPARE(Find<QLineEdit>("MacEdit")->text(), QString());
        QCOMPARE(Find<QLineEdit>("Port1Edit")->text(), QString());
        QVERIFY(Find<IpAddressEdit>("IpControl")->IsBlank());
        const auto request = pcedit_port.Receive(2s);
        QVERIFY(request.has_value());
        Bytes startup(74, 0);
        const char magic[] = "PCEdit";
        std::copy(magic, magic + 6, startup.begin());
        startup[6] = startup[25] = startup[32] = startup[60] = 2;
        QCOMPARE(*request, startup);
        const auto packet = port_3297.Receive(2s);
        QVERIFY(packet.has_value());
        QCOMPARE(packet->size(), std::size_t{445});

        // Nothing is selected now, and numbering starts again at 1.
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(opened_urls_.isEmpty());
        ListDevices({PcEditReport(d)});
        QCOMPARE(List()->topLevelItem(0)->text(0), QString("1"));
    }

    void SubmitSendsTheChangedFieldsAndSearchResendsThem() {
        Start();
        Device d;
        d.Named("cam");
        ListDevices({PcEditReport(d)});
        Click(Row("cam"));
        UdpPeer pcedit_port(4022);
        // Unchanged: nothing goes out.
        QTest::mouseClick(Find<QPushButton>("SubmitButton"), Qt::LeftButton);
        QVERIFY(!pcedit_port.Receive(100ms));

        auto* name = Find<QLineEdit>("NameEdit");
        name->clear();
        QTest::keyClicks(name, "Hall");
        QTest::mouseClick(Find<QPushButton>("SubmitButton"), Qt::LeftButton);
        const auto request = pcedit_port.Receive(2s);
        QVERIFY(request.has_value());
        QCOMPARE(request->size(), std::size_t{74});
        QCOMPARE((*request)[32], std::uint8_t{1});
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(request->data()) + 33, 4),
                 QByteArray("Hall"));
        QCOMPARE((*request)[6], std::uint8_t{0});
        QCOMPARE((*request)[15], d.mac[0]);
        QCOMPARE((*request)[20], d.mac[5]);
        // The row keeps its texts until the next search.
        QCOMPARE(Row("cam") != nullptr, true);

        QTest::mouseClick(Find<QPushButton>("SearchDeviceButton"), Qt::LeftButton);
        const auto search = pcedit_port.Receive(2s);
        QVERIFY(search.has_value());
        Bytes expected = *request;
        expected[6] = 2;
        expected[25] = 2;
        QCOMPARE(*search, expected);
    }

    void TheSubnetQuestionGuardsAForeignGateway() {
        Start();
        Device d;
        d.Named("cam");
        ListDevices({PcEditReport(d)});
        Click(Row("cam"));
        UdpPeer pcedit_port(4022);
        auto* gateway = Find<IpAddressEdit>("GatewayControl");
        auto* ip = Find<IpAddressEdit>("IpControl");
        auto* submit = Find<QPushButton>("SubmitButton");

        gateway->SetAddress(0xC0A80201);  // 192.168.2.1: another subnet
        MessageBox::SetNextAnswer(MessageBox::Answer::kCancel);
        QTest::mouseClick(submit, Qt::LeftButton);
        auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(shown[0].caption, QString("Choice"));
        QCOMPARE(shown[0].text, QString("IP and Gateway do not match. Do you want to continue?"));
        QVERIFY(shown[0].buttons == MessageBox::Buttons::kOkCancel);
        QVERIFY(!pcedit_port.Receive(100ms));

        // Addresses ending in .0 or .255 go nowhere, without a word.
        for (quint32 address : {0xC0A80100u, 0xC0A801FFu}) {
            ip->SetAddress(address);
            QTest::mouseClick(submit, Qt::LeftButton);
            QVERIFY(MessageBox::TakeShown().empty());
            QVERIFY(!pcedit_port.Receive(50ms));
        }
        ip->SetAddress(0xC0A8010A);
        MessageBox::SetNextAnswer(MessageBox::Answer::kOk);
        QTest::mouseClick(submit, Qt::LeftButton);
        QCOMPARE(MessageBox::TakeShown().size(), std::size_t{1});
        const auto request = pcedit_port.Receive(2s);
        QVERIFY(request.has_value());
        QCOMPARE((*request)[25], std::uint8_t{1});
        QCOMPARE((*request)[30], std::uint8_t{2});

        // A gateway of 0.0.0.0, one in the same subnet, or a netmask of 0.0.0.0 never ask.
        for (const auto& [new_gateway, netmask] :
             {std::pair{0u, 0xFFFFFF00u}, {0xC0A80101u, 0xFFFFFF00u}, {0x0A000001u, 0u}}) {
            gateway->SetAddress(new_gateway);
            Find<IpAddressEdit>("NetmaskControl")->SetAddress(netmask);
            QTest::mouseClick(submit, Qt::LeftButton);
            QVERIFY(MessageBox::TakeShown().empty());
            QVERIFY(pcedit_port.Receive(2s).has_value());
        }
        // After a search nothing is selected, so even a question answered OK sends nothing.
        QTest::mouseClick(Find<QPushButton>("SearchDeviceButton"), Qt::LeftButton);
        QVERIFY(pcedit_port.Receive(2s).has_value());  // the search itself
        ip->SetAddress(0xC0A8010A);
        gateway->SetAddress(0xC0A80201);
        QTest::mouseClick(submit, Qt::LeftButton);
        QCOMPARE(MessageBox::TakeShown().size(), std::size_t{1});
        QVERIFY(!pcedit_port.Receive(100ms));
    }

    void AnEmptiedPortIsZeroOnlyWhileThePortWasZero() {
        Start();
        Device zero;
        zero.WithMacLastOctet(1).Named("zero");
        zero.http_port = "0";
        Device web;
        web.WithMacLastOctet(2).Named("web");
        ListDevices({PcEditReport(zero), PcEditReport(web)});
        UdpPeer pcedit_port(4022);
        auto* submit = Find<QPushButton>("SubmitButton");

        Click(Row("zero"));
        QTest::mouseClick(submit, Qt::LeftButton);
        QVERIFY(MessageBox::TakeShown().empty());
        QVERIFY(!pcedit_port.Receive(100ms));  // port 0 is still 0: nothing changed
        QCOMPARE(Find<QLineEdit>("Port1Edit")->text(), QString());

        Click(Row("web"));
        Find<QLineEdit>("Port1Edit")->clear();
        QTest::mouseClick(submit, Qt::LeftButton);
        QCOMPARE(MessageBox::TakeShown().at(0).text, QString("Please enter an integer."));
        QVERIFY(!pcedit_port.Receive(100ms));
    }

    void ADeviceListedOverTheOtherProtocolIsChangedOverPcEdit() {
        Start();
        Device d;
        d.Named("nvr");
        Report(Report3297(d), 4023);
        QTRY_COMPARE(List()->topLevelItemCount(), 1);
        Click(Row("nvr"));
        UdpPeer pcedit_port(4022);
        Find<IpAddressEdit>("Dns2Control")->SetAddress(0x01010101);
        QTest::mouseClick(Find<QPushButton>("SubmitButton"), Qt::LeftButton);
        const auto request = pcedit_port.Receive(2s);
        QVERIFY(request.has_value());
        QCOMPARE((*request)[63], std::uint8_t{1});
        QCOMPARE((*request)[64], std::uint8_t{8});  // DNS 1 goes along
        QCOMPARE((*request)[68], std::uint8_t{1});
    }

    void AboutOpensForItsCommandsOnly() {
        Start();
        QString opened;
        const auto close_about = [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->windowTitle();
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        };
        for (int command : {16, 31}) {
            opened.clear();
            QTimer::singleShot(50, close_about);
            dialog_->OnSysCommand(command);
            QCOMPARE(opened, QString("About Norvik"));
        }
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        dialog_->OnSysCommand(32);  // returns at once: nothing to close
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void ExitFreesTheListAndStopsTheReceiveThreads() {
        Start();
        Device d;
        d.Named("cam");
        ListDevices({PcEditReport(d)});
        Click(Row("cam"));
        QTest::mouseClick(Find<QPushButton>("ExitButton"), Qt::LeftButton);
        QVERIFY(dialog_->isHidden());
        QCOMPARE(dialog_->result(), int(QDialog::Rejected));
        QVERIFY(dialog_->discovery().devices().empty());
        QVERIFY(dialog_->discovery().devices().selected() == nullptr);
        QCOMPARE(dialog_->exit_code(), 0);
        // No thread is left to take a report.
        Report(PcEditReport(d.WithMacLastOctet(9)));
        QTest::qWait(100);
        QVERIFY(dialog_->discovery().devices().empty());
    }

    void AReceiveSocketThatCannotBindEndsTheProgram() {
        UdpPeer holder(4023, /*share=*/false);
        QVERIFY(holder.bound());
        dialog_->OnInitDialog();
        dialog_->show();
        QTRY_VERIFY(dialog_->isHidden());
        QCOMPARE(dialog_->exit_code(), norvik::kSocketFailureExitCode);
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(shown[0].text, QString("ERROR:  98 bind() failed"));
        QCOMPARE(shown[0].caption, QString("Error"));
    }

    void ABurstOfThousandsNeverFreezesTheWindow() {
        Start();
        const int devices = 4096;
        qint64 longest_gap = 0;
        QElapsedTimer since_last;
        QTimer tick;
        tick.setInterval(5);
        connect(&tick, &QTimer::timeout,
                [&] { longest_gap = std::max(longest_gap, since_last.restart()); });
        since_last.start();
        tick.start();
        std::vector<Bytes> reports;
        for (int i = 0; i < devices; ++i) {
            Device d;
            d.mac = {2, 0, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
            d.WithIp({10, 1, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)});
            d.Named("burst-" + std::to_string(i));
            reports.push_back(PcEditReport(d));
        }
        // 50 reports a millisecond, while the window goes on serving its events.
        std::thread sender([&] {
            UdpPeer burst;
            const auto start = std::chrono::steady_clock::now();
            for (std::size_t i = 0; i < reports.size(); ++i) {
                std::this_thread::sleep_until(start + std::chrono::microseconds(i * 20));
                burst.Broadcast(reports[i], 4022);
            }
        });
        // Until the rows stop growing: a loaded machine may drop some datagrams on the way.
        int rows = -1;
        QTRY_VERIFY_WITH_TIMEOUT(std::exchange(rows, List()->topLevelItemCount()) == rows &&
                                     rows >= devices / 2,
                                 10000);
        sender.join();
        qInfo("%d of %d devices listed", rows, devices);
        tick.stop();
        qInfo("longest wait between two 5 ms ticks: %lld ms", longest_gap);
        QVERIFY2(longest_gap < 50, qPrintable(QString("stalled %1 ms").arg(longest_gap)));
        // And while it fills, Search and sorting still work and nothing deadlocks.
        QTest::mouseClick(List()->header()->viewport(), Qt::LeftButton, {},
                          QPoint(List()->header()->sectionViewportPosition(1) + 20, 5));
        QTest::mouseClick(Find<QPushButton>("SearchDeviceButton"), Qt::LeftButton);
        QTRY_COMPARE(List()->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
