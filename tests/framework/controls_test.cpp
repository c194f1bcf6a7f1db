// The up-down control with its buddy edit and the progress bar, worked
// through their messages and their real buttons and keys.
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "framework/qt/updown_control.h"
#include "tests/framework/dialog_test_support.h"
#include "tests/framework/test_dialog.h"

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { AfxSetResourceModule(TestResources()); }
    void TearDown() override { AfxSetResourceModule(nullptr); }

    QLineEdit* Value() { return qobject_cast<QLineEdit*>(dialog.Item(IDC_T_VALUE)); }
    QToolButton* Arrow(Qt::ArrowType type) {
        for (auto* button : dialog.Item(IDC_T_SPIN)->findChildren<QToolButton*>())
            if (button->arrowType() == type)
                return button;
        return nullptr;
    }
    void Click(Qt::ArrowType type, int times) {
        QToolButton* arrow = Arrow(type);
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(arrow, Qt::LeftButton);
    }

    UiScript script;
    TestDialog dialog;
};

} // namespace

TEST_F(ControlsTest, UpDownStepsItsBuddyWithinTheRange) {
    RunModal(script, dialog, [&] {
        EXPECT_EQ(dialog.m_spin.SendMessage(UDM_GETRANGE), MAKELONG(30, 1));
        ASSERT_EQ(Value()->text(), "5");
        Click(Qt::UpArrow, 3);
        EXPECT_EQ(Value()->text(), "8");
        Click(Qt::UpArrow, 40);
        EXPECT_EQ(Value()->text(), "30");
        Click(Qt::DownArrow, 40);
        EXPECT_EQ(Value()->text(), "1");
        // The arrow keys in the buddy step it too.
        Value()->setFocus();
        QTest::keyClick(Value(), Qt::Key_Up);
        QTest::keyClick(Value(), Qt::Key_Up);
        EXPECT_EQ(Value()->text(), "3");
        QTest::keyClick(Value(), Qt::Key_Down);
        EXPECT_EQ(Value()->text(), "2");
    });
}

TEST_F(ControlsTest, UpDownReadsItsBuddyAndFollowsAnInvertedRange) {
    RunModal(script, dialog, [&] {
        // A number typed into the buddy is where stepping starts.
        Value()->setText("12");
        Click(Qt::UpArrow, 1);
        EXPECT_EQ(Value()->text(), "13");
        // Text that is no number leaves the last position in force.
        Value()->setText("x");
        Click(Qt::DownArrow, 1);
        EXPECT_EQ(Value()->text(), "12");
        // Upper below lower: up counts down.
        dialog.m_spin.SendMessage(UDM_SETRANGE, 0, MAKELONG(0, 20));
        Click(Qt::UpArrow, 2);
        EXPECT_EQ(Value()->text(), "10");
        EXPECT_EQ(dialog.m_spin.SendMessage(UDM_SETPOS, 0, 25), 10);
        EXPECT_EQ(Value()->text(), "20"); // clamped into the range
    });
}

TEST_F(ControlsTest, ProgressBarClampsItsPositionAndReportsThePreviousOne) {
    RunModal(script, dialog, [&] {
        CProgressCtrl& bar = dialog.m_progress;
        EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, TRUE), 0);
        EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, FALSE), 100);
        EXPECT_EQ(bar.SendMessage(PBM_SETPOS, 80), 0);
        // The old range comes back; the position is kept within the new one.
        EXPECT_EQ(bar.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 50)), MAKELONG(0, 100));
        EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 50);
        EXPECT_EQ(bar.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 999)), MAKELONG(0, 50));
        EXPECT_EQ(bar.SendMessage(PBM_SETPOS, 499), 50);
        EXPECT_EQ(bar.SendMessage(PBM_SETPOS, 5000), 499);
        EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 999);
        EXPECT_EQ(bar.SendMessage(PBM_SETPOS, static_cast<WPARAM>(-3)), 999);
        EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 0);
    });
}

TEST_F(ControlsTest, EnableWindowReportsThePreviousState) {
    RunModal(script, dialog, [&] {
        CWnd* button = dialog.GetDlgItem(IDC_T_BUTTON);
        EXPECT_FALSE(button->EnableWindow(FALSE)); // was enabled
        EXPECT_FALSE(dialog.Item(IDC_T_BUTTON)->isEnabled());
        EXPECT_TRUE(button->EnableWindow(TRUE)); // was disabled
        EXPECT_TRUE(dialog.Item(IDC_T_BUTTON)->isEnabled());
        // The same temporary object comes back while the window lives.
        EXPECT_EQ(dialog.GetDlgItem(IDC_T_BUTTON), button);
        EXPECT_EQ(CWnd::FromHandlePermanent(dialog.Item(IDC_T_SPIN)), &dialog.m_spin);
    });
    // Once the dialog is gone, bound controls no longer point at its windows.
    EXPECT_EQ(dialog.m_spin.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}
