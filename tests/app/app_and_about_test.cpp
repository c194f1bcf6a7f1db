// The application object runs the main dialog as the whole program, a file
// named on its command line as the source; the About box opens from the main
// dialog's system menu.
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <gtest/gtest.h>

#include "app/about_box.h"
#include "app/converter_app.h"
#include "tests/app/converter_dlg_fixture.h"

extern CConverterApp theApp;

namespace {

struct AboutSeen {
    int shown = 0;
    std::string caption;
    std::vector<std::string> texts;
    bool okIsDefault = false;
    bool closedByEnter = false;
};

// Reads the About box and closes it with Enter, as a user would.
void ReadAndClose(CDialog& shown, AboutSeen& seen) {
    ASSERT_NE(dynamic_cast<CAboutBox*>(&shown), nullptr);
    ++seen.shown;
    seen.texts.clear(); // those of the last box shown
    QWidget* window = shown.GetSafeHwnd();
    seen.caption = window->windowTitle().toStdString();
    for (QLabel* label : window->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            seen.texts.push_back(label->text().toStdString());
    auto* ok = qobject_cast<QPushButton*>(shown.GetDlgItem(IDOK)->GetSafeHwnd());
    ASSERT_NE(ok, nullptr);
    seen.okIsDefault = ok->isDefault() && ok->text() == QStringLiteral("确定");
    QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Return);
    seen.closedByEnter = !window->isVisible();
}

} // namespace

TEST_F(ConverterDlgTest, AboutBoxOpensFromTheSystemMenu) {
    AboutSeen seen;
    const QString aboutItem = QStringLiteral("关于 Veltrano(&A)...");
    RunModal(
        script, dlg,
        [&] {
            auto chooseAbout = [&](QMenu& menu) {
                QAction* about = FindAction(menu, aboutItem);
                ASSERT_NE(about, nullptr);
                about->trigger();
            };
            WhenMenuOpens(chooseAbout);
            QWidget* window = dlg.GetSafeHwnd();
            const QPoint background(window->width() / 2, 2);
            ASSERT_EQ(window->childAt(background), nullptr);
            QContextMenuEvent click(QContextMenuEvent::Mouse, background,
                                    window->mapToGlobal(background));
            QApplication::sendEvent(window, &click);
            EXPECT_TRUE(window->isVisible());

            // Shift+F10 and the Menu key, where the focused control (a button)
            // has no menu of its own; in a box they open the box's menu.
            for (auto [key, modifier] : {std::pair(Qt::Key_F10, Qt::ShiftModifier),
                                         std::pair(Qt::Key_Menu, Qt::NoModifier)}) {
                WhenMenuOpens(chooseAbout);
                QTest::keyClick(dlg.Item(IDC_OPEN), key, modifier);
            }
            bool aboutInBoxMenu = true;
            WhenMenuOpens([&](QMenu& menu) { aboutInBoxMenu = FindAction(menu, aboutItem); });
            dlg.Item(IDC_SOURCE)->setFocus();
            QTest::keyClick(dlg.Item(IDC_SOURCE), Qt::Key_F10, Qt::ShiftModifier);
            QCoreApplication::processEvents(); // the box's menu does not wait
            EXPECT_FALSE(aboutInBoxMenu);
            bool menuOnF10 = false;
            WhenMenuOpens([&](QMenu&) { menuOnF10 = true; });
            QTest::keyClick(dlg.Item(IDC_OPEN), Qt::Key_F10);
            QCoreApplication::processEvents();
            EXPECT_FALSE(menuOnF10);
        },
        [&](CDialog& shown) { ReadAndClose(shown, seen); });
    EXPECT_EQ(seen.shown, 3);
    EXPECT_EQ(seen.caption, "关于 Veltrano");
    ASSERT_EQ(seen.texts.size(), 2u);
    EXPECT_EQ(seen.texts[0], "Veltrano 1.0 版");
    EXPECT_TRUE(seen.okIsDefault);
    EXPECT_TRUE(seen.closedByEnter);
}

TEST_F(ConverterDlgTest, AboutCommandIgnoresTheLowFourBitsAndOtherCommandsPassOn) {
    AboutSeen seen;
    const INT_PTR result = RunModal(
        script, dlg,
        [&] {
            dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUT, 0);
            dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUT | 0x000F, 0);
            EXPECT_EQ(seen.shown, 2);
            EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_QUERYDRAGICON)),
                      theApp.LoadIcon(IDI_MAIN));
            dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        },
        [&](CDialog& shown) { ReadAndClose(shown, seen); });
    EXPECT_EQ(result, IDCANCEL); // SC_CLOSE reached the default processing
}

TEST(ConverterApp, InitInstanceRunsTheMainDialogAndEndsTheProgram) {
    UiScript script;
    bool mainWindowIsTheDialog = false;
    std::string caption;
    script.onDialogShown = [&](CDialog& shown) {
        mainWindowIsTheDialog =
            AfxGetMainWnd() == &shown && dynamic_cast<CConverterDlg*>(&shown) != nullptr;
        caption = shown.GetSafeHwnd()->windowTitle().toStdString();
        QTest::keyClick(shown.GetSafeHwnd(), Qt::Key_Escape);
    };
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_TRUE(mainWindowIsTheDialog);
    EXPECT_EQ(caption, "Veltrano V1.0.0");
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    EXPECT_STREQ(AfxGetAppName(), "app_tests");
}

TEST_F(ConverterDlgTest, AFileNamedOnTheCommandLineIsTheSourceAsIfDropped) {
    WriteFile("a.264", "");
    ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    const QString startFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    struct Case {
        std::vector<std::string> arguments;
        std::string source; // what the box shows; Save As offers a.avi beside it
    };
    const std::string none = "unspecified";
    for (const auto& [arguments, source] :
         {Case{{PathOf("a.264"), PathOf("sub")}, PathOf("a.264")}, Case{{"a.264"}, PathOf("a.264")},
          Case{{PathOf("sub")}, none}, Case{{PathOf("missing.264")}, none}, Case{{}, none}}) {
        theApp.m_arguments = arguments;
        script.fileDialogs.clear();
        std::string shown, rate;
        script.onDialogShown = [&](CDialog& main) {
            auto text = [&](int id) {
                return qobject_cast<QLineEdit*>(main.GetDlgItem(id)->GetSafeHwnd())->text();
            };
            shown = text(IDC_SOURCE).toStdString();
            rate = text(IDC_FPS).toStdString();
            script.CancelFileDialog();
            QTest::mouseClick(
                qobject_cast<QPushButton*>(main.GetDlgItem(IDC_SAVE_AS)->GetSafeHwnd()),
                Qt::LeftButton);
            QTest::keyClick(main.GetSafeHwnd(), Qt::Key_Escape);
        };
        EXPECT_FALSE(theApp.InitInstance());
        const std::string argument = arguments.empty() ? "(none)" : arguments[0];
        EXPECT_EQ(shown, source) << argument;
        EXPECT_EQ(rate, "25") << argument;
        EXPECT_EQ(script.fileDialogs.size(), 1u) << argument;
        if (script.fileDialogs.empty())
            continue;
        EXPECT_EQ(script.fileDialogs[0].fileName, source == none ? "" : "a.avi") << argument;
        if (source != none) {
            EXPECT_EQ(script.fileDialogs[0].folder, folder.path().toStdString());
        }
    }
    theApp.m_arguments.clear();
    QDir::setCurrent(startFolder);
}
