// Dialogs built from a template of the tests' own: layout in dialog units,
// styles, data exchange with validation, the keyboard and close box, the
// system menu, commands routed to the application, and templates that
// cannot be built.
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "framework/qt/dialog_units.h"
#include "framework/qt/dialog_window.h"
#include "tests/framework/dialog_test_support.h"
#include "tests/framework/test_dialog.h"

namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { AfxSetResourceModule(TestResources()); }
    void TearDown() override { AfxSetResourceModule(nullptr); }

    UiScript script;
    TestDialog dialog;
};

// Presses a key in the widget that has the focus, as the keyboard would.
void PressKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, key, modifiers);
}

} // namespace

TEST_F(DialogTest, ControlsSitWhereTheTemplatePutsThemInDialogUnits) {
    RunModal(script, dialog, [&] {
        QWidget* window = dialog.GetSafeHwnd();
        const DialogBaseUnits units = BaseUnitsOf(window->font());
        ASSERT_GT(units.x, 0);
        auto pixels = [&](int x, int y, int cx, int cy) {
            return QRect(MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(cx, units.x, 4),
                         MulDiv(cy, units.y, 8));
        };
        EXPECT_EQ(window->size(), pixels(0, 0, 200, 80).size());
        EXPECT_EQ(window->windowTitle().toStdString(), "测试 Dialog");
        EXPECT_EQ(dialog.Item(IDC_T_BUTTON)->geometry(), pixels(140, 10, 50, 14));
        EXPECT_EQ(dialog.Item(IDC_T_PROGRESS)->geometry(), pixels(10, 60, 180, 12));
        EXPECT_EQ(dialog.Item(IDC_T_TEXT)->geometry(), pixels(10, 30, 100, 14));
        // The up-down sits inside its buddy's right edge; together they keep the buddy's width.
        const QRect buddy = pixels(10, 10, 40, 14);
        const QRect spin = dialog.Item(IDC_T_SPIN)->geometry();
        const QRect value = dialog.Item(IDC_T_VALUE)->geometry();
        EXPECT_EQ(spin.right(), buddy.right());
        EXPECT_EQ(spin.width(), MulDiv(11, units.x, 4));
        EXPECT_EQ(spin.top(), buddy.top());
        EXPECT_EQ(spin.height(), buddy.height());
        EXPECT_EQ(value.left(), buddy.left());
        EXPECT_EQ(value.right() + 1, spin.left());
    });
}

TEST_F(DialogTest, StylesAreHonoured) {
    RunModal(script, dialog, [&] {
        auto* text = qobject_cast<QLineEdit*>(dialog.Item(IDC_T_TEXT));
        auto* value = qobject_cast<QLineEdit*>(dialog.Item(IDC_T_VALUE));
        ASSERT_TRUE(text && value);
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_FALSE(value->isReadOnly());
        EXPECT_TRUE(qobject_cast<QPushButton*>(dialog.Item(IDOK))->isDefault());
        EXPECT_FALSE(qobject_cast<QPushButton*>(dialog.Item(IDC_T_BUTTON))->isDefault());
        EXPECT_TRUE(dialog.Item(IDC_T_HIDDEN)->isHidden());
        // "&&" shows one ampersand, a single '&' marks a mnemonic and is not shown.
        EXPECT_EQ(qobject_cast<QLabel*>(dialog.Item(IDC_T_LABEL))->text(), "A&B label");
        // The first tab stop has the focus; Tab follows the template's order.
        QWidget* window = dialog.GetSafeHwnd();
        EXPECT_EQ(window->focusWidget(), value);
        std::vector<int> order;
        QWidget* widget = value;
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible())
                order.push_back(widget->property(kDlgCtrlIdProperty).toInt());
            widget = widget->nextInFocusChain();
        } while (widget != value);
        EXPECT_EQ(order, (std::vector<int>{IDC_T_VALUE, IDC_T_TEXT, IDC_T_BUTTON, IDOK}));
    });
}

TEST_F(DialogTest, DataExchangeMovesMembersBothWaysAndValidates) {
    RunModal(script, dialog, [&] {
        auto* value = qobject_cast<QLineEdit*>(dialog.Item(IDC_T_VALUE));
        EXPECT_EQ(value->text(), "5");
        EXPECT_EQ(qobject_cast<QLineEdit*>(dialog.Item(IDC_T_TEXT))->text(), "text");

        value->setText(" 17 ");
        EXPECT_TRUE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_nValue, 17);
        EXPECT_TRUE(script.messageBoxes.empty());

        dialog.Item(IDC_T_BUTTON)->setFocus();
        value->setText("31");
        EXPECT_FALSE(dialog.UpdateData(TRUE));
        ASSERT_EQ(script.messageBoxes.size(), 1u);
        EXPECT_EQ(script.messageBoxes[0].text, "Please enter an integer between 1 and 30.");
        EXPECT_EQ(script.messageBoxes[0].caption, "framework_tests");
        EXPECT_EQ(script.messageBoxes[0].type & MB_TYPEMASK, MB_OK);
        // The control at fault gets the focus with its text selected.
        EXPECT_EQ(dialog.GetSafeHwnd()->focusWidget(), value);
        EXPECT_EQ(value->selectedText(), "31");

        for (const char* notANumber : {"abc", "", "12x", "99999999999"}) {
            value->setText(notANumber);
            EXPECT_FALSE(dialog.UpdateData(TRUE)) << notANumber;
            EXPECT_EQ(script.messageBoxes.back().text, "Please enter an integer.") << notANumber;
        }
        // The exchange stops at the failing control: later members keep their values.
        dialog.m_strText = "kept";
        qobject_cast<QLineEdit*>(dialog.Item(IDC_T_TEXT))->setText("changed");
        EXPECT_FALSE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_strText.str(), "kept");
    });
}

TEST_F(DialogTest, EscapeAndTheCloseBoxCancel) {
    EXPECT_EQ(RunModal(script, dialog, [&] { PressKey(dialog.GetSafeHwnd(), Qt::Key_Escape); }),
              IDCANCEL);
    TestDialog second;
    EXPECT_EQ(RunModal(script, second, [&] { second.GetSafeHwnd()->close(); }), IDCANCEL);
    // The close box arrives as a system command the dialog sees first.
    EXPECT_EQ(second.sysCommands, std::vector<UINT>{SC_CLOSE});
}

TEST_F(DialogTest, EnterPressesTheFocusedButtonElseValidatesAndCloses) {
    const INT_PTR result = RunModal(script, dialog, [&] {
        QWidget* window = dialog.GetSafeHwnd();
        dialog.Item(IDC_T_BUTTON)->setFocus();
        PressKey(window, Qt::Key_Return);
        ASSERT_TRUE(window->isVisible());

        qobject_cast<QLineEdit*>(dialog.Item(IDC_T_VALUE))->setText("0");
        dialog.Item(IDC_T_TEXT)->setFocus();
        PressKey(window, Qt::Key_Return); // OnOK, which refuses the value
        ASSERT_TRUE(window->isVisible());
        ASSERT_EQ(script.messageBoxes.size(), 1u);

        qobject_cast<QLineEdit*>(dialog.Item(IDC_T_VALUE))->setText("30");
        PressKey(window, Qt::Key_Enter);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "button", "ok", "ok"}));
    EXPECT_EQ(dialog.m_nValue, 30);
}

TEST_F(DialogTest, RightClickOnTheBackgroundOpensTheSystemMenu) {
    std::vector<std::string> items;
    RunModal(script, dialog, [&] {
        WhenMenuOpens([&](QMenu& menu) {
            for (QAction* action : menu.actions())
                items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
            FindAction(menu, "Extra")->trigger();
        });
        QWidget* window = dialog.GetSafeHwnd();
        const QPoint background(window->width() - 2, window->height() - 2);
        ASSERT_EQ(window->childAt(background), nullptr);
        QContextMenuEvent click(QContextMenuEvent::Mouse, background,
                                window->mapToGlobal(background));
        QApplication::sendEvent(window, &click);
        EXPECT_TRUE(window->isVisible());
    });
    EXPECT_EQ(items, (std::vector<std::string>{"&Move", "&Close\tAlt+F4", "-", "Extra"}));
    EXPECT_EQ(dialog.sysCommands, std::vector<UINT>{IDM_EXTRA});
}

TEST_F(DialogTest, AltSpaceOpensTheSystemMenuWhoseCloseCancels) {
    const INT_PTR result = RunModal(script, dialog, [&] {
        WhenMenuOpens([](QMenu& menu) { FindAction(menu, "&Close\tAlt+F4")->trigger(); });
        QWidget* window = dialog.GetSafeHwnd();
        // Window shortcuts work in the active window only; offscreen, nothing activates it.
        QApplication::setActiveWindow(window);
        QTest::keyClick(window->focusWidget(), Qt::Key_Space, Qt::AltModifier);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.sysCommands, (std::vector<UINT>{SC_KEYMENU, SC_CLOSE}));
    // Alt+Space did not press the focused control.
    EXPECT_EQ(dialog.events, std::vector<std::string>{"init"});
}

namespace {
class HelpfulApp : public CWinApp {
public:
    int helpRequests = 0;

protected:
    afx_msg void OnHelpRequest() { ++helpRequests; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(HelpfulApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelpRequest)
END_MESSAGE_MAP()
} // namespace

TEST_F(DialogTest, CommandsTheDialogLeavesGoToTheApplication) {
    HelpfulApp app;
    EXPECT_STREQ(AfxGetAppName(), "framework_tests");
    RunModal(script, dialog, [&] { PressKey(dialog.GetSafeHwnd(), Qt::Key_F1); });
    EXPECT_EQ(app.helpRequests, 1);
}

TEST_F(DialogTest, ATemplateThatCannotBeBuiltIsNotShown) {
    class Broken : public CDialog {
    public:
        Broken() : CDialog(IDD_BROKEN) {}
    } broken;
    bool shown = false;
    script.onDialogShown = [&](CDialog&) { shown = true; };
    EXPECT_EQ(broken.DoModal(), -1);
    class Missing : public CDialog {
    public:
        Missing() : CDialog(999) {}
    } missing;
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_FALSE(shown);
}

TEST_F(DialogTest, ADialogThatNeverComesUpFailsTheTestThatRunsIt) {
    class Missing : public CDialog {
    public:
        Missing() : CDialog(999) {}
    } missing;
    bool ran = false;
    EXPECT_NONFATAL_FAILURE(RunModal(script, missing, [&] { ran = true; }),
                            "its steps did not run");
    EXPECT_FALSE(ran);
}

TEST_F(DialogTest, StringsComeFromTheStringTable) {
    CString text;
    EXPECT_TRUE(text.LoadString(IDS_TEST));
    EXPECT_EQ(text.str(), "测试(&T)");
    EXPECT_FALSE(text.LoadString(IDS_TEST + 1));
    EXPECT_TRUE(text.IsEmpty());
}
