// The main dialog's own behaviour through its controls: the state it starts
// in, Start without paths, the file dialogs, files dropped on it, the
// frame-rate up-down, the progress reports, painting and input while a job
// runs, validation.
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

#include "framework/qt/dialog_units.h"
#include "framework/qt/resource_module.h"
#include "tests/app/converter_dlg_fixture.h"

#include "tests/framework/dialog_test_support.h"

namespace {

// Drags files onto target and drops them there as a file manager does,
// offering to copy or (with Shift) move them; true when the drop was taken as
// a copy. With `later`, the drop is only posted.
bool Drop(QWidget* target, const std::vector<std::string>& paths, bool later = false) {
    static QMimeData data; // a posted drop reads it later
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(5, 5), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(target, &enter);
    auto drop = std::make_unique<QDropEvent>(QPointF(5, 5), offered, &data, Qt::LeftButton,
                                             Qt::ShiftModifier);
    if (later) {
        QCoreApplication::postEvent(target, drop.release());
        return false;
    }
    QApplication::sendEvent(target, drop.get());
    return drop->isAccepted() && drop->dropAction() == Qt::CopyAction;
}

} // namespace

TEST_F(ConverterDlgTest, StartsWithUnchosenPathsRate25AndItsRanges) {
    EXPECT_EQ(dlg.m_nFps, 0);
    EXPECT_TRUE(dlg.m_strSource.IsEmpty());
    EXPECT_EQ(dlg.m_pConverter, nullptr);
    RunModal(script, dlg, [&] {
        QWidget* window = dlg.GetSafeHwnd();
        EXPECT_EQ(window->windowTitle().toStdString(), "Veltrano V1.0.0");
        EXPECT_FALSE(window->windowIcon().isNull());
        EXPECT_EQ(dlg.Text(IDC_SOURCE), "unspecified");
        EXPECT_EQ(dlg.Text(IDC_DEST), "unspecified");
        EXPECT_EQ(dlg.Text(IDC_FPS), "25");
        EXPECT_EQ(dlg.GetDlgItem(IDC_FPS_SPIN)->SendMessage(UDM_GETRANGE), MAKELONG(30, 1));
        EXPECT_EQ(dlg.GetDlgItem(IDC_PROGRESS)->SendMessage(PBM_GETRANGE, FALSE), 999);
        EXPECT_EQ(dlg.BarPosition(), 0);
        for (int id : {IDC_SOURCE, IDC_DEST, IDC_FPS})
            EXPECT_TRUE(qobject_cast<QLineEdit*>(dlg.Item(id))->isReadOnly()) << id;

        // The system menu ends with the About item.
        const auto& items = dlg.GetSystemMenu(FALSE)->Items();
        ASSERT_GE(items.size(), 2u);
        EXPECT_TRUE(items[items.size() - 2].nFlags & MF_SEPARATOR);
        EXPECT_EQ(items.back().nID, static_cast<UINT>(IDM_ABOUT));
        EXPECT_EQ(items.back().text.str(), "关于 Veltrano(&A)...");
    });
}

TEST_F(ConverterDlgTest, LaysOutTheTemplateInDialogUnitsOfItsFont) {
    const rc::DialogTemplate* main = AfxGetResourceModule().FindDialog(IDD_MAIN);
    ASSERT_NE(main, nullptr);
    RunModal(script, dlg, [&] {
        const DialogBaseUnits units = BaseUnitsOf(dlg.GetSafeHwnd()->font());
        EXPECT_EQ(dlg.GetSafeHwnd()->width(), MulDiv(main->cx, units.x, 4));
        EXPECT_EQ(dlg.GetSafeHwnd()->height(), MulDiv(main->cy, units.y, 8));
        for (int id : {IDC_OPEN, IDC_SAVE_AS, IDC_START, IDC_SOURCE, IDC_DEST, IDC_PROGRESS}) {
            auto control = std::find_if(main->controls.begin(), main->controls.end(),
                                        [id](const rc::Control& c) { return c.id == id; });
            ASSERT_NE(control, main->controls.end()) << id;
            EXPECT_EQ(dlg.Item(id)->geometry(),
                      QRect(MulDiv(control->x, units.x, 4), MulDiv(control->y, units.y, 8),
                            MulDiv(control->cx, units.x, 4), MulDiv(control->cy, units.y, 8)))
                << id;
        }
        // Chinese and Latin text both render with the dialog's font: no missing glyphs.
        const QFontMetrics metrics(dlg.GetSafeHwnd()->font());
        for (QChar ch : QStringLiteral("关于版FPS"))
            EXPECT_TRUE(metrics.inFont(ch));
    });
}

TEST_F(ConverterDlgTest, StartWithoutBothPathsOnlyAsksForThem) {
    WriteFile("a.264", "");
    RunModal(script, dlg, [&] {
        dlg.Click(IDC_START);
        script.AnswerFileDialog(PathOf("a.264"));
        dlg.Click(IDC_OPEN);
        dlg.Click(IDC_START); // a source, but still no destination
        EXPECT_TRUE(dlg.Button(IDC_START)->isEnabled());
        EXPECT_EQ(dlg.m_pConverter, nullptr);
        EXPECT_EQ(dlg.m_nFps, 25);
    });
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    for (const ShownMessageBox& box : script.messageBoxes) {
        EXPECT_EQ(box.text, kSpecifyPaths);
        EXPECT_EQ(box.caption, "app_tests"); // the executable's name
        EXPECT_EQ(box.type, MB_OK);
    }
}

TEST_F(ConverterDlgTest, FileDialogsOfferTheirFiltersAndCancelLeavesThePath) {
    WriteFile("a.264", "");
    RunModal(script, dlg, [&] {
        script.AnswerFileDialog(PathOf("a.264"));
        dlg.Click(IDC_OPEN);
        script.CancelFileDialog();
        dlg.Click(IDC_OPEN);
        EXPECT_EQ(dlg.Text(IDC_SOURCE).toStdString(), PathOf("a.264"));
        script.CancelFileDialog();
        dlg.Click(IDC_SAVE_AS);
        EXPECT_EQ(dlg.Text(IDC_DEST), "unspecified");
        // A name without extension gets ".avi".
        script.AnswerFileDialog(PathOf("out"));
        dlg.Click(IDC_SAVE_AS);
        EXPECT_EQ(dlg.Text(IDC_DEST).toStdString(), PathOf("out.avi"));
    });
    ASSERT_EQ(script.fileDialogs.size(), 4u);
    EXPECT_TRUE(script.fileDialogs[0].open);
    EXPECT_EQ(script.fileDialogs[0].flags, OFN_FILEMUSTEXIST);
    EXPECT_EQ(script.fileDialogs[0].nameFilters,
              (std::vector<std::string>{"h.264 files (*.264)", "all files (*)"}));
    EXPECT_FALSE(script.fileDialogs[2].open);
    // The source's name with .avi, in the source's folder.
    EXPECT_EQ(script.fileDialogs[2].folder, folder.path().toStdString());
    EXPECT_EQ(script.fileDialogs[2].fileName, "a.avi");
    EXPECT_EQ(script.fileDialogs[2].defaultExt, "avi");
    EXPECT_EQ(script.fileDialogs[2].nameFilters,
              (std::vector<std::string>{"avi files (*.avi)", "all files (*)"}));
}

TEST_F(ConverterDlgTest, SaveAsAsksBeforeReplacingAnExistingFile) {
    WriteFile("old.avi", "keep me");
    RunModal(script, dlg, [&] {
        script.AnswerFileDialog(PathOf("old.avi"));
        script.AnswerMessageBox(IDNO);
        script.CancelFileDialog(); // back in the dialog, the user gives up
        dlg.Click(IDC_SAVE_AS);
        EXPECT_EQ(dlg.Text(IDC_DEST), "unspecified");
        script.AnswerFileDialog(PathOf("old.avi"));
        script.AnswerMessageBox(IDYES);
        dlg.Click(IDC_SAVE_AS);
        EXPECT_EQ(dlg.Text(IDC_DEST).toStdString(), PathOf("old.avi"));
    });
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"old.avi already exists.\nDo you want to replace it?",
                                        "old.avi already exists.\nDo you want to replace it?"}));
    // Without a source there is no name to offer.
    EXPECT_EQ(script.fileDialogs[0].fileName, "");
}

TEST_F(ConverterDlgTest, TheFirstFileDroppedOnTheWindowOrABoxIsTheSource) {
    WriteFile("a.264", "");
    WriteFile("b.264", "");
    ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    RunModal(script, dlg, [&] {
        qobject_cast<QLineEdit*>(dlg.Item(IDC_FPS))->setText("12"); // as the up-down sets it
        EXPECT_TRUE(Drop(dlg.GetSafeHwnd(), {PathOf("sub"), PathOf("a.264"), PathOf("b.264")}));
        EXPECT_EQ(dlg.Text(IDC_SOURCE).toStdString(), PathOf("a.264"));
        EXPECT_EQ(dlg.Text(IDC_FPS), "12");
        EXPECT_TRUE(Drop(dlg.Item(IDC_SOURCE), {PathOf("b.264")}));
        EXPECT_EQ(dlg.Text(IDC_SOURCE).toStdString(), PathOf("b.264"));
        // A folder alone changes nothing.
        Drop(dlg.GetSafeHwnd(), {PathOf("sub")});
        EXPECT_EQ(dlg.Text(IDC_SOURCE).toStdString(), PathOf("b.264"));
        // Save As offers the dropped recording's folder, not where the last dialog was.
        script.CancelFileDialog();
        dlg.Click(IDC_SAVE_AS);
    });
    ASSERT_EQ(script.fileDialogs.size(), 1u);
    EXPECT_EQ(script.fileDialogs[0].folder, folder.path().toStdString());
    EXPECT_EQ(script.fileDialogs[0].fileName, "b.avi");
    EXPECT_TRUE(script.messageBoxes.empty());
}

TEST_F(ConverterDlgTest, UpDownKeepsTheRateWithin1To30From25) {
    RunModal(script, dlg, [&] {
        QWidget* spin = dlg.Item(IDC_FPS_SPIN);
        auto arrows = spin->findChildren<QToolButton*>();
        ASSERT_EQ(arrows.size(), 2);
        QToolButton* up = arrows[0]->arrowType() == Qt::UpArrow ? arrows[0] : arrows[1];
        QToolButton* down = up == arrows[0] ? arrows[1] : arrows[0];
        QTest::mouseClick(up, Qt::LeftButton);
        EXPECT_EQ(dlg.Text(IDC_FPS), "26");
        for (int i = 0; i < 10; ++i)
            QTest::mouseClick(up, Qt::LeftButton);
        EXPECT_EQ(dlg.Text(IDC_FPS), "30");
        for (int i = 0; i < 40; ++i)
            QTest::mouseClick(down, Qt::LeftButton);
        EXPECT_EQ(dlg.Text(IDC_FPS), "1");
        // A Start that stops for want of paths does not read the controls.
        QTest::mouseClick(up, Qt::LeftButton);
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.m_nFps, 25);
    });
}

TEST_F(ConverterDlgTest, ReportsMoveTheBarAndTheCompletionReportFinishes) {
    RunModal(script, dlg, [&] {
        dlg.GetDlgItem(IDC_START)->EnableWindow(FALSE); // as while a job runs
        ProgressTrampoline(&dlg, 1, 2);
        EXPECT_EQ(dlg.BarPosition(), 499);
        ProgressTrampoline(&dlg, 1, 3);
        EXPECT_EQ(dlg.BarPosition(), 333);
        EXPECT_TRUE(script.messageBoxes.empty());
        EXPECT_FALSE(dlg.Button(IDC_START)->isEnabled());

        int barWhileMessage = -1;
        script.onMessageBox = [&](const ShownMessageBox&) { barWhileMessage = dlg.BarPosition(); };
        ProgressTrampoline(&dlg, 2, 2);
        EXPECT_EQ(barWhileMessage, 999);
        EXPECT_EQ(dlg.BarPosition(), 0);
        EXPECT_TRUE(dlg.Button(IDC_START)->isEnabled());
        ASSERT_EQ(Messages(), std::vector<std::string>{kFinished});
        EXPECT_EQ(script.messageBoxes[0].type, MB_OK);

        // Reading past the size is complete too; a size of zero is complete at once.
        ProgressTrampoline(&dlg, 5, 4);
        ProgressTrampoline(&dlg, 0, 0);
        EXPECT_EQ(Messages(), (std::vector<std::string>{kFinished, kFinished, kFinished}));
        EXPECT_EQ(dlg.BarPosition(), 0);
    });
}

TEST_F(ConverterDlgTest, RepaintsOnlyWhenTheBarMovesAndDropsInputMeanwhile) {
    WriteFile("a.264", "");
    RunModal(script, dlg, [&] {
        QWidget* bar = dlg.Item(IDC_PROGRESS);
        PaintCounter counter;
        bar->installEventFilter(&counter);
        ProgressTrampoline(&dlg, 1, 4);
        EXPECT_GE(counter.paints, 1);

        // A repaint is due, but a report that leaves the bar where it is does not paint.
        counter.paints = 0;
        bar->update();
        ProgressTrampoline(&dlg, 1, 4);
        EXPECT_EQ(counter.paints, 0);
        // The next move paints what is due.
        ProgressTrampoline(&dlg, 2, 4);
        EXPECT_GE(counter.paints, 1);
        bar->removeEventFilter(&counter);

        // A click on Open, and a file dropped, while the job runs are dropped, not replayed later.
        QWidget* open = dlg.Item(IDC_OPEN);
        const QPointF centre = QRectF(open->rect()).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(
                open,
                new QMouseEvent(type, centre, open->mapToGlobal(centre), Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        Drop(dlg.GetSafeHwnd(), {PathOf("a.264")}, true);
        ProgressTrampoline(&dlg, 3, 4);
        QCoreApplication::processEvents();
        EXPECT_TRUE(script.fileDialogs.empty());
        EXPECT_EQ(dlg.Text(IDC_SOURCE), "unspecified");
    });
}

TEST_F(ConverterDlgTest, EnterOnAnEditValidatesTheRateBeforeClosing) {
    const INT_PTR result = RunModal(script, dlg, [&] {
        // Only another program could put 31 there; the dialog still refuses it.
        qobject_cast<QLineEdit*>(dlg.Item(IDC_FPS))->setText("31");
        dlg.Item(IDC_SOURCE)->setFocus();
        QTest::keyClick(dlg.Item(IDC_SOURCE), Qt::Key_Return);
        EXPECT_TRUE(dlg.GetSafeHwnd()->isVisible());
        EXPECT_EQ(Messages(),
                  std::vector<std::string>{"Please enter an integer between 1 and 30."});
        EXPECT_EQ(dlg.GetSafeHwnd()->focusWidget(), dlg.Item(IDC_FPS));

        qobject_cast<QLineEdit*>(dlg.Item(IDC_FPS))->setText("30");
        QTest::keyClick(dlg.Item(IDC_FPS), Qt::Key_Return);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_nFps, 30);
}

TEST_F(ConverterDlgTest, EscapeAndTheCloseBoxEndTheDialog) {
    EXPECT_EQ(RunModal(script, dlg, [&] { QTest::keyClick(dlg.Item(IDC_OPEN), Qt::Key_Escape); }),
              IDCANCEL);
    ProbeDlg second;
    EXPECT_EQ(RunModal(script, second, [&] { second.GetSafeHwnd()->close(); }), IDCANCEL);
}

TEST_F(ConverterDlgTest, StartWithARefusedRateStartsNoJob) {
    WriteFile("a.264", "");
    RunModal(script, dlg, [&] {
        ChooseFiles(PathOf("a.264"), PathOf("a.avi"));
        qobject_cast<QLineEdit*>(dlg.Item(IDC_FPS))->setText("31");
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.m_pConverter, nullptr);
        EXPECT_TRUE(dlg.Button(IDC_START)->isEnabled());
    });
    EXPECT_EQ(Messages(), std::vector<std::string>{"Please enter an integer between 1 and 30."});
}
