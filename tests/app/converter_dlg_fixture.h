// The program's main dialog under a test script, with its members in view
// and its controls at hand.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

#include "app/converter_dlg.h"
#include "convert/stream_converter.h"
#include "tests/framework/dialog_test_support.h"

class ProbeDlg : public CConverterDlg {
public:
    using CConverterDlg::m_nFps;
    using CConverterDlg::m_pConverter;
    using CConverterDlg::m_strDest;
    using CConverterDlg::m_strSource;

    QWidget* Item(int id) const { return GetDlgItem(id)->GetSafeHwnd(); }
    QString Text(int id) const { return qobject_cast<QLineEdit*>(Item(id))->text(); }
    QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(Item(id)); }
    int BarPosition() const {
        return static_cast<int>(GetDlgItem(IDC_PROGRESS)->SendMessage(PBM_GETPOS));
    }
    void Click(int id) const { QTest::mouseClick(Button(id), Qt::LeftButton); }
};

class ConverterDlgTest : public ::testing::Test {
protected:
    // Every report that moves the bar repaints, so what a test sees does not depend on timing.
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        AfxSetPaintInterval(0);
    }
    void TearDown() override { AfxSetPaintInterval(20); }

    std::string PathOf(const std::string& name) const {
        return folder.filePath(QString::fromStdString(name)).toStdString();
    }
    void WriteFile(const std::string& name, const std::string& content) const;
    // The texts of the message boxes shown so far.
    std::vector<std::string> Messages() const;
    // Chooses source and destination through Open and Save As.
    void ChooseFiles(const std::string& source, const std::string& dest);

    QTemporaryDir folder;
    UiScript script;
    ProbeDlg dlg;
};

inline constexpr char kFinished[] = "Convert finished!";
inline constexpr char kSpecifyPaths[] =
    "Please specify a source file\nand a location for the result.";
