// File dialogs: filter strings, the default extension, and the checks made
// before a name is accepted (a missing file on Open, a missing folder or an
// existing file on Save).
#include "framework/file_dialog.h"

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

#include "framework/qt/ui_script.h"

TEST(FileFilter, PairsBecomeNameFiltersWithTheirPatterns) {
    EXPECT_EQ(ConvertFileFilter("h.264 files(*.264)|*.264|all files(*.*)|*.*||"),
              (std::vector<std::string>{"h.264 files (*.264)", "all files (*)"}));
    EXPECT_EQ(ConvertFileFilter("Pictures|*.bmp;*.ico||"),
              (std::vector<std::string>{"Pictures (*.bmp *.ico)"}));
    // Without the closing "||" the pairs still count; an odd tail is dropped.
    EXPECT_EQ(ConvertFileFilter("Text|*.txt|Lone"), (std::vector<std::string>{"Text (*.txt)"}));
    EXPECT_TRUE(ConvertFileFilter("").empty());
}

TEST(FileFilter, DefaultExtensionOnlyForNamesWithoutOne) {
    EXPECT_EQ(WithDefaultExtension("/tmp/out", "avi"), "/tmp/out.avi");
    EXPECT_EQ(WithDefaultExtension("/tmp/out.avi", "avi"), "/tmp/out.avi");
    EXPECT_EQ(WithDefaultExtension("/tmp/out.AVI", "avi"), "/tmp/out.AVI");
    EXPECT_EQ(WithDefaultExtension("/tmp/out.mkv", "avi"), "/tmp/out.mkv");
    // A dot in a folder's name is not the file's extension.
    EXPECT_EQ(WithDefaultExtension("/tmp/a.b/out", "avi"), "/tmp/a.b/out.avi");
    EXPECT_EQ(WithDefaultExtension("/tmp/out", ""), "/tmp/out");
}

TEST(FileFilter, WithExtensionReplacesTheFileNamesOwn) {
    EXPECT_EQ(WithExtension("/rec/cam.264", "avi"), "/rec/cam.avi");
    EXPECT_EQ(WithExtension("/rec/cam.x.264", "avi"), "/rec/cam.x.avi");
    // A dot in a folder's name, or leading the file's, starts no extension.
    EXPECT_EQ(WithExtension("/a.b/cam", "avi"), "/a.b/cam.avi");
    EXPECT_EQ(WithExtension("/rec/.264", "avi"), "/rec/.264.avi");
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    std::string PathOf(const char* name) const { return folder.filePath(name).toStdString(); }
    void Touch(const char* name) const { std::ofstream(PathOf(name)) << "x"; }

    QTemporaryDir folder;
    UiScript script;
};

TEST_F(FileDialogTest, OpenShowsItsFiltersAndReturnsTheChosenPath) {
    Touch("a.264");
    script.AnswerFileDialog(PathOf("a.264"));
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "h.264 files(*.264)|*.264||");
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName().str(), PathOf("a.264"));
    ASSERT_EQ(script.fileDialogs.size(), 1u);
    EXPECT_TRUE(script.fileDialogs[0].open);
    EXPECT_EQ(script.fileDialogs[0].title, "Open");
    EXPECT_EQ(script.fileDialogs[0].nameFilters, std::vector<std::string>{"h.264 files (*.264)"});
}

TEST_F(FileDialogTest, OpenRefusesAMissingFileAndAsksAgain) {
    Touch("real.264");
    script.AnswerFileDialog(PathOf("missing.264"));
    script.AnswerFileDialog(PathOf("real.264"));
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "all|*.*||");
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName().str(), PathOf("real.264"));
    EXPECT_EQ(script.fileDialogs.size(), 2u);
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_NE(script.messageBoxes[0].text.find(PathOf("missing.264")), std::string::npos);
    EXPECT_NE(script.messageBoxes[0].text.find("File not found"), std::string::npos);
}

TEST_F(FileDialogTest, CancelReturnsCancelAndNoPath) {
    script.CancelFileDialog();
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "all|*.*||");
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(dialog.GetPathName().IsEmpty());
}

TEST_F(FileDialogTest, SaveAddsTheDefaultExtensionAndAsksBeforeReplacing) {
    Touch("old.avi");
    // "old" becomes old.avi, which exists: No returns to the dialog, Yes accepts.
    script.AnswerFileDialog(PathOf("old"));
    script.AnswerMessageBox(IDNO);
    script.AnswerFileDialog(PathOf("old"));
    script.AnswerMessageBox(IDYES);
    CFileDialog dialog(FALSE, "avi", nullptr, OFN_OVERWRITEPROMPT, "avi files(*.avi)|*.avi||");
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName().str(), PathOf("old.avi"));
    EXPECT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_EQ(script.fileDialogs[0].title, "Save As");
    EXPECT_EQ(script.fileDialogs[0].defaultExt, "avi");
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    EXPECT_EQ(script.messageBoxes[0].text, "old.avi already exists.\nDo you want to replace it?");
    EXPECT_EQ(script.messageBoxes[0].type & MB_TYPEMASK, MB_YESNO);
}

TEST_F(FileDialogTest, SaveWithoutOverwritePromptTakesAnExistingFileAsIs) {
    Touch("old.avi");
    script.AnswerFileDialog(PathOf("old.avi"));
    CFileDialog dialog(FALSE, "avi", nullptr, OFN_FILEMUSTEXIST, "avi files(*.avi)|*.avi||");
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(script.messageBoxes.empty());
    // On Save, OFN_FILEMUSTEXIST does not demand an existing file.
    script.AnswerFileDialog(PathOf("new.avi"));
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName().str(), PathOf("new.avi"));
}

TEST_F(FileDialogTest, SaveRefusesAFolderThatDoesNotExist) {
    script.AnswerFileDialog(PathOf("nowhere/out.avi"));
    script.CancelFileDialog();
    CFileDialog dialog(FALSE, "avi", nullptr, OFN_OVERWRITEPROMPT, "avi files(*.avi)|*.avi||");
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_NE(script.messageBoxes[0].text.find("Path does not exist"), std::string::npos);
}

TEST_F(FileDialogTest, TheNextDialogOpensInTheFolderOfTheLastChoice) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("videos"));
    Touch("videos/a.264");
    script.AnswerFileDialog(PathOf("videos/a.264"));
    script.CancelFileDialog();
    CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "all|*.*||");
    ASSERT_EQ(open.DoModal(), IDOK);
    CFileDialog save(FALSE, "avi", nullptr, OFN_OVERWRITEPROMPT, "all|*.*||");
    EXPECT_EQ(save.DoModal(), IDCANCEL);
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_EQ(script.fileDialogs[1].folder, PathOf("videos"));
}
