// How much the dialog costs a conversion: the same recording converted by the
// job alone (RunConverter, no window) and through the real main dialog (Open,
// Save As and Start answered by the test seams, the window repainting as the
// bar moves). Run by hand, never by CI; the target is the dialog at most 10 %
// slower.
//
//   veltrano_dialog_bench [--size MIB] [--runs N] [--dir DIR]
//
// The recording is generated once into DIR and reused. Each round times the
// job alone and the dialog, in turns, with the output removed and synced
// before each (outside the timing); the medians are compared. Offscreen unless QT_QPA_PLATFORM says
// otherwise.
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/converter_app.h"
#include "app/converter_dlg.h"
#include "convert/stream_converter.h"
#include "framework/qt/ui_script.h"
#include "tools/recgen/recording_generator.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Reads the whole file so every timed run finds it in the page cache.
bool WarmCache(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    while (!file.read(1 << 20).isEmpty()) {
    }
    return true;
}

void Settle(const std::string& output) {
    std::remove(output.c_str());
    sync();
}

bool RunAlone(const std::string& source, const std::string& output, double* seconds) {
    const auto start = Clock::now();
    CStreamConverter job(source.c_str(), output.c_str(), 25);
    const int result = RunConverter(&job);
    *seconds = SecondsSince(start);
    if (result != 0)
        std::fprintf(stderr, "job alone: %s\n", job.GetFailure().Message().c_str());
    return result == 0;
}

bool RunThroughDialog(const std::string& source, const std::string& output, double* seconds,
                      int* barPaints) {
    CConverterDlg dlg;
    UiScript script;
    bool ok = false;
    script.onDialogShown = [&](CDialog& shown) {
        if (&shown != &dlg) {
            shown.EndDialog(IDCANCEL);
            return;
        }
        script.AnswerFileDialog(source);
        qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_OPEN)->GetSafeHwnd())->click();
        script.AnswerFileDialog(output);
        qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_SAVE_AS)->GetSafeHwnd())->click();

        PaintCounter counter;
        dlg.GetDlgItem(IDC_PROGRESS)->GetSafeHwnd()->installEventFilter(&counter);
        auto* start = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_START)->GetSafeHwnd());
        const auto begin = Clock::now();
        start->click(); // the whole job runs inside
        *seconds = SecondsSince(begin);
        *barPaints = counter.paints;
        ok = script.messageBoxes.size() == 1 && script.messageBoxes[0].text == "Convert finished!";
        if (!ok)
            for (const ShownMessageBox& box : script.messageBoxes)
                std::fprintf(stderr, "dialog: %s\n", box.text.c_str());
        dlg.EndDialog(IDCANCEL);
    };
    dlg.DoModal();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    CConverterApp app; // the dialog loads its icon from the application

    long sizeMiB = 512;
    int runs = 9;
    std::string dir = "/tmp/veltrano-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--size")
            sizeMiB = std::atol(argv[i + 1]);
        else if (option == "--runs")
            runs = std::atoi(argv[i + 1]);
        else if (option == "--dir")
            dir = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: %s [--size MIB] [--runs N] [--dir DIR]\n", argv[0]);
            return 2;
        }
    }
    if (sizeMiB <= 0 || runs <= 0 || !QDir().mkpath(QString::fromStdString(dir))) {
        std::fprintf(stderr, "bad size, runs or folder\n");
        return 2;
    }

    const std::string source = dir + "/dialog-bench-" + std::to_string(sizeMiB) + "M.264";
    if (!QFile::exists(QString::fromStdString(source))) {
        std::fprintf(stderr, "generating %s\n", source.c_str());
        recgen::Options options;
        options.targetBytes = static_cast<std::int64_t>(sizeMiB) << 20;
        std::string error;
        if (!recgen::Generate(source, options, nullptr, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    if (!WarmCache(source)) {
        std::fprintf(stderr, "%s: cannot read\n", source.c_str());
        return 1;
    }
    const std::string output = dir + "/dialog-bench-out.avi";

    std::vector<double> alone, dialog;
    for (int round = 0; round < runs; ++round) {
        double secondsAlone = 0, secondsDialog = 0;
        int paints = 0;
        // Every other round the dialog goes first, so neither gains from its place.
        for (int turn = 0; turn < 2; ++turn) {
            Settle(output);
            const bool dialogTurn = (turn == 0) == (round % 2 == 1);
            const bool ok = dialogTurn ? RunThroughDialog(source, output, &secondsDialog, &paints)
                                       : RunAlone(source, output, &secondsAlone);
            if (!ok)
                return 1;
        }
        alone.push_back(secondsAlone);
        dialog.push_back(secondsDialog);
        std::printf("round %d: job alone %.3f s, through the dialog %.3f s (%+.1f %%), "
                    "%d repaints of the bar\n",
                    round + 1, secondsAlone, secondsDialog,
                    (secondsDialog / secondsAlone - 1) * 100, paints);
        std::fflush(stdout);
    }
    Settle(output);

    const double medianAlone = Median(alone), medianDialog = Median(dialog);
    const double overhead = (medianDialog / medianAlone - 1) * 100;
    std::printf("%ld MiB, %d rounds, median: job alone %.3f s, through the dialog %.3f s: "
                "%+.1f %% (target at most +10 %%): %s\n",
                sizeMiB, runs, medianAlone, medianDialog, overhead,
                overhead <= 10.0 ? "met" : "MISSED");
    return overhead <= 10.0 ? 0 : 3;
}
