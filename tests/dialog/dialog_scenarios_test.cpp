// The dialog's end-to-end scenarios run against its rules over a window in memory, with the
// receive threads and the senders on real UDP, inside the suite's private network.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "dialog_rules.h"
#include "dialog_scenarios.h"
#include "dialog_template.h"
#include "memory_dialog_view.h"
#include "memory_list_view.h"
#include "recording_messages.h"
#include "test_files.h"
#include "wait_for.h"

namespace norvik::test {
namespace {

// Drives the rules as the windows do: a click passes the clicked row's column-0 text.
class RulesDriver : public DialogDriver {
public:
    explicit RulesDriver(UiStringTable& strings = ProcessUiStringTable())
        : discovery_(lock_, rows_, messages_, [](int) {}),
          rules_(
              view_, {rows_, [] {}}, lock_, discovery_,
              [this](const BroadcastSender& sender, ByteSpan request) {
                  SendRequest(sender, request, messages_);
              },
              strings) {}
    ~RulesDriver() override {
        rules_.OnCancel();
        discovery_.Stop();
    }

    bool Start() {
        rules_.Initialize();
        return discovery_.WaitUntilListening(std::chrono::seconds(5));
    }

    DialogRules& rules() { return rules_; }
    // The texts set since the data exchange's five, in order.
    std::vector<std::pair<int, std::u16string>> TextsAfterTheDataExchange() const {
        return {view_.texts_set.begin() + 5, view_.texts_set.end()};
    }

    bool WaitForRows(int count) override {
        return WaitFor([&] {
            std::lock_guard guard(lock_);
            return rows_.ItemCount() == count;
        });
    }
    std::vector<std::u16string> Column(int column) override {
        std::lock_guard guard(lock_);
        std::vector<std::u16string> texts;
        for (const auto& row : rows_.rows()) {
            texts.push_back(row[static_cast<std::size_t>(column)]);
        }
        return texts;
    }
    void ClickRow(std::u16string_view name) override { rules_.OnListClick(NumberOfRow(name)); }
    void ClickBelowRows() override { rules_.OnListClick(u""); }
    void DoubleClickRow(std::u16string_view name) override {
        ClickRow(name);
        rules_.OnListDoubleClick();
    }
    void DoubleClickBelowRows() override {
        ClickBelowRows();
        rules_.OnListDoubleClick();
    }
    void ClickHeading(int column) override { rules_.OnColumnClick(column); }
    void Click(int button_id) override {
        switch (button_id) {
            case kSubmitButton:
                return rules_.OnSubmit();
            case kSearchDeviceButton:
                return rules_.OnSearch();
            case kDhcpRadio:
                return rules_.OnDhcp();
            case kStaticRadio:
                return rules_.OnStatic();
            default:
                ADD_FAILURE() << "no button " << button_id;
        }
    }
    void Type(int edit_id, std::u16string_view text) override {
        view_.SetControlText(edit_id, text);
    }
    void EnterAddress(int control_id, std::uint32_t address) override {
        view_.SetAddress(control_id, address);
    }
    std::u16string Text(int id) override {
        std::u16string text = view_.ControlText(id);
        if (id == kMacEdit) {  // the edit's style shows capitals
            std::transform(text.begin(), text.end(), text.begin(), [](char16_t c) {
                return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
            });
        }
        return text;
    }
    std::uint32_t Address(int id) override { return view_.Address(id); }
    bool IsBlank(int id) override { return view_.Get(id).blank; }
    bool IsChecked(int id) override { return view_.IsChecked(id); }
    bool IsVisible(int id) override { return view_.Get(id).visible; }
    bool IsEnabled(int id) override { return view_.Get(id).enabled; }
    void AnswerNextQuestion(bool ok) override { view_.answers.push_back(ok); }
    std::vector<ShownBox> TakeBoxes() override {
        std::vector<ShownBox> boxes;
        for (const auto& box : std::exchange(view_.boxes, {})) {
            boxes.push_back({box.caption, box.text});
        }
        return boxes;
    }
    std::vector<std::u16string> TakeOpenedUrls() override {
        return std::exchange(view_.opened_urls, {});
    }

private:
    std::u16string NumberOfRow(std::u16string_view name) {
        std::lock_guard guard(lock_);
        for (const auto& row : rows_.rows()) {
            if (row[1] == name) {
                return row[0];
            }
        }
        ADD_FAILURE() << "no row shows " << Utf16ToUtf8(name);
        return {};
    }

    ListLock lock_{""};
    MemoryDialogView view_;
    MemoryListView rows_;
    RecordingMessages messages_;
    Discovery discovery_;
    DialogRules rules_;
};

// The rules with a window in memory, started as a window starts them, in a working directory
// with the given language file, if any.
class DialogStart : public testing::Test {
protected:
    void Start(const std::u16string* language_file) {
        test::TemporaryDirectory directory;
        if (language_file != nullptr) {
            test::WriteFile(directory / "Language.ini", test::Utf16Le(*language_file));
        }
        test::ScopedWorkingDirectory working_directory(directory.path());
        ASSERT_TRUE(dialog_.Start());
    }

    UiStringTable strings_;
    RulesDriver dialog_{strings_};
};

TEST_F(DialogStart, WithoutALanguageFileTheTemplatesTextsStay) {
    Start(nullptr);
    // Only the empty Port1 edit follows the data exchange; the radio buttons are hidden.
    EXPECT_EQ(dialog_.TextsAfterTheDataExchange(),
              (std::vector<std::pair<int, std::u16string>>{{kPort1Edit, u""}}));
    EXPECT_FALSE(dialog_.IsVisible(kDhcpRadio));
    EXPECT_FALSE(dialog_.IsVisible(kStaticRadio));
    EXPECT_EQ(dialog_.rules().ColumnHeadings(),
              (std::array<std::u16string, 3>{u"", u"Server Name", u"IP Address"}));
}

// A language file, even one whose section is empty, rewrites every label and button with the
// table's texts, in this order, the instructions last.
TEST_F(DialogStart, ALanguageFileSetsTheLabelsAndButtonsInOrder) {
    const std::u16string file = u"[LANGUAGE]\r\nServer_Name=Camera\r\nExit=Quit\r\n";
    Start(&file);
    const std::vector<std::pair<int, std::u16string>> expected = {
        {kDeviceListsLabel, u"Device Lists"},
        {kStaticRadio, u"Static"},
        {kDhcpRadio, u"DHCP"},
        {kNameLabel, u"Name"},
        {kIpLabel, u"IP"},
        {kNetmaskLabel, u"Netmask"},
        {kGatewayLabel, u"Gateway"},
        {kDns1Label, u"DNS 1"},
        {kDns2Label, u"DNS 2"},
        {kPort1Label, u"Port1"},
        {kMacLabel, u"MAC"},
        {kSearchDeviceButton, u"Search Device"},
        {kSubmitButton, u"Submit"},
        {kExitButton, u"Quit"},
        // Lines separated by bare line feeds.
        {kInstructionsText,
         u"To Change Device Name, IP address, and Gateway:\n"
         u"1. Select the device on the left side.\n"
         u"2. Change network parameter on the right side.\n"
         u"3. Press Submit button.\n"
         u"4. Press Search Device to re-search again.\n"
         u"5. Double click the device to open it."},
        {kPort1Edit, u""},
    };
    EXPECT_EQ(dialog_.TextsAfterTheDataExchange(), expected);
    EXPECT_EQ(dialog_.rules().ColumnHeadings()[1], u"Camera");
}

class DialogScenarios : public testing::TestWithParam<Scenario> {};

TEST_P(DialogScenarios, RunAgainstTheRules) {
    RulesDriver dialog;
    ASSERT_TRUE(dialog.Start());
    Findings findings;
    ScenarioContext context{dialog, findings};
    GetParam().run(context);
    for (const std::string& failure : findings.failures()) {
        ADD_FAILURE() << failure;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DialogScenarios, testing::ValuesIn(kDialogScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace norvik::test
