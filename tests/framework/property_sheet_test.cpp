// A two-page sheet from the test templates, driven as a user would.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "framework/property_sheet.h"
#include "support/gui_script.h"
#include "test_resources.h"

namespace {

class NumberPage : public PropertyPage {
public:
    NumberPage() : PropertyPage(IDD_PAGE_NUMBER) {}
    void ExchangeData(ExchangeDirection direction) override {
        if (direction == FromControls) ++reads;
        ExchangeNumber(direction, IDC_PAGE_NUMBER, value);
        CheckRange(IDC_PAGE_NUMBER, value, 1, 122);
    }
    std::uint8_t value = 7;
    int reads = 0;
};

class FlagPage : public PropertyPage {
public:
    FlagPage() : PropertyPage(IDD_PAGE_CHECK) {}
    void ExchangeData(ExchangeDirection direction) override {
        if (direction == FromControls) ++reads;
        ExchangeCheck(direction, IDC_PAGE_CHECK, flag);
    }
    std::uint8_t flag = 1;
    int reads = 0;
};

class TestSheet : public PropertySheet {
public:
    TestSheet() {
        SetTitle("テスト設定");
        AddPage(number);
        AddPage(flag);
    }
    NumberPage number;
    FlagPage flag;
};

const test::WindowQuery kSheet{"#32770", "テスト設定"};

void ShowPage(test::UiWindow& sheet, int index) {
    SendMessageA(sheet.Handle(), PSM_SETCURSEL, index, 0);
}

// Pages are read when left or revisited and on OK; a bad value keeps the sheet open on
// OK, Cancel checks nothing; the same objects show again afresh.
TEST(PropertySheetTest, ReadsPagesWhenLeftAndKeepsTheSheetOpenOnABadValue) {
    TestSheet sheet;
    test::GuiScript script;
    script
        .OnWindow(kSheet,
                  [&](test::UiWindow& window) {
                      EXPECT_EQ(WindowRegistry::Global().Find(window.Handle()), &sheet);
                      EXPECT_EQ(sheet.number.ParentObject(), &sheet);
                      EXPECT_EQ(window.Text(IDC_PAGE_NUMBER), "7");
                      EXPECT_EQ(sheet.number.reads, 0) << "the first activation does not read";
                      ShowPage(window, 1);
                      EXPECT_EQ(sheet.number.reads, 1) << "leaving a page reads it";
                      EXPECT_EQ(sheet.flag.reads, 0);
                      EXPECT_TRUE(window.IsChecked(IDC_PAGE_CHECK));
                      ShowPage(window, 0);
                      EXPECT_EQ(sheet.flag.reads, 1);
                      EXPECT_EQ(sheet.number.reads, 2) << "a later activation reads";
                      window.SetText(IDC_PAGE_NUMBER, "0");
                      window.Click(IDOK);
                  })
        .AnswerMessageBox(IDOK, "値のエラー")
        .OnWindow(kSheet, [&](test::UiWindow& window) {
            EXPECT_EQ(window.Text(IDC_PAGE_NUMBER), "1");
            EXPECT_TRUE(window.HasFocus(IDC_PAGE_NUMBER));
            window.SetText(IDC_PAGE_NUMBER, "99");
            window.Click(IDOK);
        });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(sheet.number.value, 99);

    sheet.number.reads = sheet.flag.reads = 0;
    sheet.number.value = 12;
    script.OnWindow(kSheet, [&](test::UiWindow& window) {
        EXPECT_EQ(window.Text(IDC_PAGE_NUMBER), "12");
        ShowPage(window, 1);
        EXPECT_EQ(sheet.flag.reads, 0);
        window.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(sheet.flag.reads, 1) << "OK reads the current page";

    script.OnWindow(kSheet, [&](test::UiWindow& window) {
        window.SetText(IDC_PAGE_NUMBER, "500");
        window.Click(IDCANCEL);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);
    EXPECT_EQ(script.MessageBoxes().size(), 1u) << "Cancel checks nothing";
    EXPECT_EQ(sheet.number.value, 12);
    EXPECT_EQ(sheet.Handle(), nullptr);
    EXPECT_EQ(sheet.number.Handle(), nullptr);
    EXPECT_EQ(WindowRegistry::Global().Count(), 0);
}

}  // namespace
