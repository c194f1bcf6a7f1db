// Work that holds the dialog's thread lets windows repaint but throws away
// the user's input; none of it is replayed afterwards.
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

#include "tests/framework/dialog_test_support.h"
#include "tests/framework/test_dialog.h"

namespace {

void PostClick(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(centre);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(
            widget,
            new QMouseEvent(type, centre, global, Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
    }
}

class MessagePumpTest : public ::testing::Test {
protected:
    void SetUp() override { AfxSetResourceModule(TestResources()); }
    void TearDown() override {
        AfxSetResourceModule(nullptr);
        AfxSetPaintInterval(20);
    }

    UiScript script;
    TestDialog dialog;
};

} // namespace

TEST_F(MessagePumpTest, InputDuringTheWorkIsDroppedNotReplayed) {
    RunModal(script, dialog, [&] {
        QWidget* button = dialog.Item(IDC_T_BUTTON);
        // The same click, delivered normally, presses the button...
        PostClick(button);
        QCoreApplication::processEvents();
        ASSERT_EQ(dialog.events.back(), "button");
        // ...but not when it arrives while the work runs.
        PostClick(button);
        AfxPumpPaintMessages(TRUE);
        QCoreApplication::processEvents();
        EXPECT_EQ(std::count(dialog.events.begin(), dialog.events.end(), "button"), 1);
        EXPECT_TRUE(dialog.GetSafeHwnd()->isVisible());
    });
}

TEST_F(MessagePumpTest, WindowsRepaintDuringTheWork) {
    RunModal(script, dialog, [&] {
        QWidget* progress = dialog.Item(IDC_T_PROGRESS);
        PaintCounter counter;
        progress->installEventFilter(&counter);
        progress->update();
        AfxPumpPaintMessages(TRUE);
        EXPECT_GE(counter.paints, 1);
        progress->removeEventFilter(&counter);
    });
}

TEST_F(MessagePumpTest, RepaintsArePacedUnlessForced) {
    AfxSetPaintInterval(60 * 1000); // far longer than the test takes
    RunModal(script, dialog, [&] {
        QWidget* progress = dialog.Item(IDC_T_PROGRESS);
        PaintCounter counter;
        progress->installEventFilter(&counter);
        AfxPumpPaintMessages(TRUE);
        counter.paints = 0;

        // Within the interval a call does nothing, and its input waits...
        progress->update();
        PostClick(dialog.Item(IDC_T_BUTTON));
        AfxPumpPaintMessages();
        EXPECT_EQ(counter.paints, 0);
        // ...for the forced call at the end of the work, which paints and drops it.
        AfxPumpPaintMessages(TRUE);
        EXPECT_GE(counter.paints, 1);
        QCoreApplication::processEvents();
        EXPECT_EQ(std::count(dialog.events.begin(), dialog.events.end(), "button"), 0);
        progress->removeEventFilter(&counter);
    });
}
