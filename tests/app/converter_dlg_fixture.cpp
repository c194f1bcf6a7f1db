#include "tests/app/converter_dlg_fixture.h"

#include <fstream>

void ConverterDlgTest::WriteFile(const std::string& name, const std::string& content) const {
    std::ofstream out(PathOf(name), std::ios::binary);
    out << content;
    ASSERT_TRUE(out.good()) << name;
}

std::vector<std::string> ConverterDlgTest::Messages() const {
    std::vector<std::string> texts;
    for (const ShownMessageBox& box : script.messageBoxes)
        texts.push_back(box.text);
    return texts;
}

void ConverterDlgTest::ChooseFiles(const std::string& source, const std::string& dest) {
    script.AnswerFileDialog(source);
    dlg.Click(IDC_OPEN);
    script.AnswerFileDialog(dest);
    dlg.Click(IDC_SAVE_AS);
}
