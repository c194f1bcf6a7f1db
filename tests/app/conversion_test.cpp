// Whole conversions through the dialog: Open, Save As and Start on a
// generated recording, a second Start, an empty recording, jobs that fail,
// and jobs the user or the system stops by closing the program.
#include <QCloseEvent>
#include <QFile>
#include <QToolButton>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "tests/app/converter_dlg_fixture.h"
#include "tests/app/deletion_watch.h"
#include "tests/convert/media_readback.h"
#include "tools/recgen/recording_generator.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

class ConversionTest : public ConverterDlgTest {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(recordingFolder.isValid());
        recgen::Options options;
        options.frames = 30;
        options.records = {{{true, 12}, {}, {}, {}}}; // the recording names its own rate
        std::string error;
        ASSERT_TRUE(recgen::Generate(Recording(), options, &manifest, &error)) << error;
    }
    static std::string Recording() { return recordingFolder.filePath("camera.264").toStdString(); }

    static QTemporaryDir recordingFolder;
    static recgen::Manifest manifest;
};

QTemporaryDir ConversionTest::recordingFolder;
recgen::Manifest ConversionTest::manifest;

} // namespace

TEST_F(ConversionTest, OpenSaveAsStartProducesTheAvi) {
    const std::string dest = PathOf("camera.avi");
    bool startDisabledWhileRunning = false;
    int barAtFinish = -1;
    RunModal(script, dlg, [&] {
        ChooseFiles(Recording(), PathOf("camera"));
        EXPECT_EQ(dlg.Text(IDC_DEST).toStdString(), dest);
        script.onMessageBox = [&](const ShownMessageBox&) {
            startDisabledWhileRunning = !dlg.Button(IDC_START)->isEnabled();
            barAtFinish = dlg.BarPosition();
        };
        dlg.Click(IDC_START);
        EXPECT_TRUE(dlg.Button(IDC_START)->isEnabled());
        EXPECT_EQ(dlg.BarPosition(), 0);
        ASSERT_NE(dlg.m_pConverter, nullptr); // the dialog keeps the finished job
        EXPECT_EQ(dlg.m_pConverter->DestPath(), dest);
    });
    EXPECT_EQ(Messages(), std::vector<std::string>{kFinished});
    EXPECT_TRUE(startDisabledWhileRunning);
    EXPECT_EQ(barAtFinish, 999);

    const MediaContents avi = ReadMedia(dest);
    ASSERT_EQ(avi.streams.size(), 2u);
    EXPECT_EQ(avi.streams[0].codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(avi.streams[0].width, 720);
    EXPECT_EQ(avi.streams[0].height, 576);
    EXPECT_EQ(avi.streams[1].codecId, AV_CODEC_ID_ADPCM_IMA_WAV);
    // The recording's own rate, not the dialog's 25.
    EXPECT_EQ(avi.streams[0].timeBaseDen * 1.0 / avi.streams[0].timeBaseNum, 12.0);
    const auto videoPackets = std::count_if(avi.packets.begin(), avi.packets.end(),
                                            [](const MediaPacket& p) { return p.stream == 0; });
    EXPECT_EQ(videoPackets, manifest.videoFrames);
}

// A name typed with .mp4 keeps it, and the file is an MP4: the picture as
// it is, the sound in AAC.
TEST_F(ConversionTest, ANameEndingInMp4GivesAnMp4) {
    const std::string dest = PathOf("camera.mp4");
    RunModal(script, dlg, [&] {
        ChooseFiles(Recording(), dest);
        EXPECT_EQ(dlg.Text(IDC_DEST).toStdString(), dest);
        dlg.Click(IDC_START);
    });
    EXPECT_EQ(Messages(), std::vector<std::string>{kFinished});
    const MediaContents mp4 = ReadMedia(dest);
    ASSERT_EQ(mp4.streams.size(), 2u);
    EXPECT_EQ(mp4.streams[0].codecId, AV_CODEC_ID_H264);
    EXPECT_EQ(mp4.streams[1].codecId, AV_CODEC_ID_AAC);
    EXPECT_EQ(TopLevelBoxes(dest).at(1), "moov");
}

TEST_F(ConversionTest, SecondStartDeletesThePreviousJobFirst) {
    bool previousDeletedDuringSecondJob = false;
    RunModal(script, dlg, [&] {
        ChooseFiles(Recording(), PathOf("first.avi"));
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_pConverter, nullptr);
        WatchDeletion(dlg.m_pConverter);

        script.AnswerFileDialog(PathOf("second.avi"));
        dlg.Click(IDC_SAVE_AS);
        script.onMessageBox = [&](const ShownMessageBox&) {
            previousDeletedDuringSecondJob = WatchedObjectDeleted();
        };
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_pConverter, nullptr);
        EXPECT_EQ(dlg.m_pConverter->DestPath(), PathOf("second.avi"));
    });
    EXPECT_TRUE(previousDeletedDuringSecondJob);
    EXPECT_EQ(Messages(), (std::vector<std::string>{kFinished, kFinished}));
    EXPECT_TRUE(std::filesystem::exists(PathOf("first.avi")));
    EXPECT_TRUE(std::filesystem::exists(PathOf("second.avi")));
}

TEST_F(ConversionTest, TheUpDownRateIsTheFallbackOfTheJob) {
    const std::string headerless = PathOf("headerless.264");
    recgen::Options options;
    options.frames = 5;
    options.records = {}; // no rate in the header
    std::string error;
    ASSERT_TRUE(recgen::Generate(headerless, options, nullptr, &error)) << error;
    RunModal(script, dlg, [&] {
        auto down = [&](int clicks) {
            for (QToolButton* arrow : dlg.Item(IDC_FPS_SPIN)->findChildren<QToolButton*>())
                if (arrow->arrowType() == Qt::DownArrow)
                    for (int i = 0; i < clicks; ++i)
                        QTest::mouseClick(arrow, Qt::LeftButton);
        };
        // A rate set before the files are chosen stays through Open and Save As.
        down(5);
        script.AnswerFileDialog(headerless);
        dlg.Click(IDC_OPEN);
        EXPECT_EQ(dlg.Text(IDC_FPS), "20");
        script.AnswerFileDialog(PathOf("fallback.avi"));
        dlg.Click(IDC_SAVE_AS);
        EXPECT_EQ(dlg.Text(IDC_FPS), "20");
        down(5);
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.m_nFps, 15);
        ASSERT_NE(dlg.m_pConverter, nullptr);
        EXPECT_EQ(dlg.m_pConverter->Stats().frameRate, 15);
    });
    EXPECT_EQ(Messages(), std::vector<std::string>{kFinished});
    const MediaContents avi = ReadMedia(PathOf("fallback.avi"));
    ASSERT_FALSE(avi.streams.empty());
    EXPECT_EQ(avi.streams[0].timeBaseDen * 1.0 / avi.streams[0].timeBaseNum, 15.0);
}

// An empty file, or random bytes, is no recording: an error, never
// "Convert finished!" over an AVI with nothing in it.
TEST_F(ConversionTest, AFileThatIsNoRecordingShowsTheErrorAndWritesNothing) {
    WriteFile("empty.264", "");
    std::string noise(100000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteFile("noise.264", noise);
    RunModal(script, dlg, [&] {
        for (const char* name : {"empty", "noise"}) {
            ChooseFiles(PathOf(name + std::string(".264")), PathOf(name + std::string(".avi")));
            dlg.Click(IDC_START);
            EXPECT_TRUE(dlg.Button(IDC_START)->isEnabled());
            EXPECT_EQ(dlg.BarPosition(), 0);
            EXPECT_FALSE(std::filesystem::exists(PathOf(name + std::string(".avi"))));
        }
    });
    const std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    for (const std::string& text : messages)
        EXPECT_NE(text.find(": no video or audio chunks found (not a recording?)"),
                  std::string::npos)
            << text;
}

TEST_F(ConversionTest, AFailedJobShowsItsErrorAndStartComesBack) {
    const std::string missingFolder = PathOf("gone");
    ASSERT_TRUE(std::filesystem::create_directory(missingFolder));
    const std::string dest = missingFolder + "/out.avi";
    const std::string source = PathOf("vanishing.264");
    ASSERT_TRUE(std::filesystem::copy_file(Recording(), source));
    RunModal(script, dlg, [&] {
        ChooseFiles(Recording(), dest);
        // The folder goes away between Save As and Start.
        std::filesystem::remove(missingFolder);
        dlg.Click(IDC_START);
        EXPECT_TRUE(dlg.Button(IDC_START)->isEnabled());
        EXPECT_EQ(dlg.BarPosition(), 0);

        // So does the source, after Open.
        script.AnswerFileDialog(source);
        dlg.Click(IDC_OPEN);
        script.AnswerFileDialog(PathOf("fine.avi"));
        dlg.Click(IDC_SAVE_AS);
        std::filesystem::remove(source);
        dlg.Click(IDC_START);
        EXPECT_TRUE(dlg.Button(IDC_START)->isEnabled());
    });
    ASSERT_EQ(script.messageBoxes.size(), 2u);
    const ShownMessageBox& destFault = script.messageBoxes[0];
    EXPECT_EQ(destFault.text.rfind(dest + ": ", 0), 0u) << destFault.text;
    EXPECT_GT(destFault.text.size(), dest.size() + 2); // a cause follows the name
    EXPECT_EQ(destFault.caption, "app_tests");
    EXPECT_EQ(destFault.type & MB_TYPEMASK, MB_OK);
    EXPECT_EQ(script.messageBoxes[1].text.rfind(source + ": ", 0), 0u)
        << script.messageBoxes[1].text;
    EXPECT_FALSE(std::filesystem::exists(dest));
    EXPECT_FALSE(std::filesystem::exists(PathOf("fine.avi")));
}

TEST_F(ConversionTest, ClosingDuringAJobStopsItCleansUpAndEndsTheDialog) {
    WriteFile("old.avi", "keep me");
    AfxCloseOnTerminationRequest();
    // The close box, and a termination request; both are sent before Start
    // and so arrive at the job's first repaint.
    const std::vector<std::function<void(QWidget*)>> closes = {
        [](QWidget* window) { QCoreApplication::postEvent(window, new QCloseEvent); },
        [](QWidget*) { std::raise(SIGTERM); },
    };
    for (const auto& close : closes) {
        ProbeDlg dialog;
        const INT_PTR result = RunModal(script, dialog, [&] {
            script.AnswerFileDialog(Recording());
            dialog.Click(IDC_OPEN);
            script.AnswerFileDialog(PathOf("old.avi"));
            script.AnswerMessageBox(IDYES);
            dialog.Click(IDC_SAVE_AS);
            close(dialog.GetSafeHwnd());
            dialog.Click(IDC_START);
            ASSERT_NE(dialog.m_pConverter, nullptr);
            EXPECT_EQ(dialog.m_pConverter->GetFailure().kind, FailureKind::Cancelled);
        });
        EXPECT_EQ(result, IDCANCEL); // the dialog closed itself, as the close box closes it
    }
    // Only the two questions about replacing old.avi: no "finished", no error.
    EXPECT_EQ(script.messageBoxes.size(), 2u);
    std::ifstream old(PathOf("old.avi"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "keep me");
    for (const auto& entry : std::filesystem::directory_iterator(folder.path().toStdString()))
        EXPECT_NE(entry.path().filename().string().rfind(".veltrano-", 0), 0u) << entry.path();
}
