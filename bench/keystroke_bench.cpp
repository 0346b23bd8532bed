// How long a keystroke in the pattern box takes with a full list: the
// preview over every row, the model's refresh and the repaint of the visible
// rows, in the real window (run it offscreen: QT_QPA_PLATFORM=offscreen).
//
//   keystroke_bench [ROWS] [KEYSTROKES]
//
// Creates ROWS files (default 32767) with realistic names in a temporary
// folder, drops the folder on the window, then types and deletes a character
// KEYSTROKES times (default 200), and prints the median and 95th percentile
// of one keystroke (preview, conflict cues, model refresh and repaint),
// beside the same keystroke in a session without a window, and the preview
// alone and the cues alone over the same rows.
#include "FileDropListView.h"
#include "FileListModel.h"
#include "Form1.h"
#include "MatchOnlyFloor.h"
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "PreviewNames.h"
#include "RenameCues.h"
#include "RenameSession.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string realisticName(int i)
{
    static const char* const kChinese[] = {"照片", "旅行", "会议记录", "北京", "家庭", "报告", "春节合影"};
    static const char* const kExtensions[] = {"jpg", "JPG", "png", "heic", "mp3", "pdf", "docx", "txt"};
    switch (i % 4) {
    case 0: return "IMG_" + std::to_string(i) + ".JPG";
    case 1: return std::string(kChinese[i % 7]) + " " + std::to_string(i) + "." + kExtensions[i % 8];
    case 2: return "Screenshot 2025-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10) + " at "
                   + std::to_string(i) + ".png";
    default: return std::to_string(i % 20) + " - holiday report final draft " + std::to_string(i) + ".mp3";
    }
}

// Counts the list's repaints, to show that each keystroke was drawn.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A line of /proc/self/status, such as "VmHWM", in mebibytes.
double statusMebibytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field) + 1) / 1024.0;
    }
    return 0;
}

// The longest time the window's event loop went unanswered while `action`
// ran: a 10 ms timer that fires late shows how late.
template <typename Action>
double longestUnansweredMilliseconds(Action&& action)
{
    QTimer ticker;
    ticker.setInterval(10);
    auto last = Clock::now();
    double longest = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, millisecondsSince(last));
        last = Clock::now();
    });
    ticker.start();
    last = Clock::now();
    action();
    longest = std::max(longest, millisecondsSince(last));
    return longest;
}

struct Summary {
    double median;
    double p95;
};

Summary summarize(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values[std::min(values.size() - 1, values.size() * 95 / 100)]};
}

} // namespace

int main(int argc, char** argv)
{
    // Repaint as soon as asked rather than at the next frame, so that the
    // time measured is the work and not the pacing.
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    QApplication application(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 32767;
    const int keystrokes = argc > 2 ? std::atoi(argv[2]) : 200;

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "keystroke-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (int i = 1; i <= rows; ++i)
        std::ofstream(folder / realisticName(i));

    renamer::Form1 form(std::make_unique<renamer::PosixFileSystem>(), renamer::makePcre2RegularExpression);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    QCoreApplication::processEvents();
    const double emptyWindowMebibytes = statusMebibytes("VmRSS:");
    const auto dropStart = Clock::now();
    const double dropUnanswered = longestUnansweredMilliseconds([&] { form.ListView1_OLEDragDrop({folder.string()}); });
    QCoreApplication::processEvents();
    const double dropMilliseconds = millisecondsSince(dropStart);
    const double afterDropMebibytes = statusMebibytes("VmRSS:");

    QLineEdit* pattern = form.Text1;
    pattern->setFocus();
    pattern->end(false);
    PaintCounter counter;
    form.ListView1->viewport()->installEventFilter(&counter);
    form.ListView1->viewport()->update();
    for (int k = 0; k < 100; ++k) QCoreApplication::processEvents();
    std::vector<double> keystroke;
    for (int i = 0; i < keystrokes; ++i) {
        const auto start = Clock::now();
        // "(.+)\.(.+)." takes the last character off every extension, so
        // every row's proposal changes with each keystroke.
        if (i % 2 == 0)
            QTest::keyClick(pattern, Qt::Key_Period);
        else
            QTest::keyClick(pattern, Qt::Key_Backspace);
        // Until the list has been repainted; the platform's frame pacing is off.
        const int paintsBefore = counter.paints;
        while (counter.paints == paintsBefore && millisecondsSince(start) < 1000)
            QCoreApplication::processEvents();
        keystroke.push_back(millisecondsSince(start));
    }

    const double peakWindowMebibytes = statusMebibytes("VmHWM:");

    // A batch renaming every row, in the window.
    pattern->setText(QStringLiteral("(.+)\\.(.+)"));
    form.Text2->setText(QStringLiteral("$1_r.$2"));
    const auto batchStart = Clock::now();
    const double batchUnanswered = longestUnansweredMilliseconds([&] { form.Command1->click(); });
    const double batchMilliseconds = millisecondsSince(batchStart);
    const std::string batchStatus = form.Label1->text().toStdString();

    // The same keystrokes in a session of its own, without a window.
    const char* const patterns[] = {"(.+)\\.(.+).", "(.+)\\.(.+)"};
    renamer::PosixFileSystem fileSystem;
    renamer::RenameSession session(fileSystem, renamer::makePcre2RegularExpression);
    session.drop({folder.string()}, patterns[1], "$1.$2");
    std::vector<double> sessionEdits;
    for (int i = 0; i < keystrokes; ++i) {
        const auto start = Clock::now();
        session.edit(patterns[i % 2], "$1.$2");
        sessionEdits.push_back(millisecondsSince(start));
    }

    // Its two steps apart: the preview alone over a copy of the rows, and the
    // cues alone against a snapshot of the folder taken as a drop takes it.
    renamer::FileList list = session.fileList();
    const renamer::RegularExpressionFactory factory = renamer::makePcre2RegularExpression;
    std::vector<double> engine;
    for (int i = 0; i < keystrokes; ++i) {
        const auto start = Clock::now();
        renamer::PreviewNames(list, factory, patterns[i % 2], "$1.$2");
        engine.push_back(millisecondsSince(start));
    }
    renamer::DirectorySnapshot snapshot;
    snapshot.readDirectoriesOf(list, fileSystem, renamer::RowRange{1, list.rowCount()});
    std::filesystem::remove_all(folder);
    std::vector<renamer::RowCue> rowCues;
    renamer::RowCueComputer computer;
    std::vector<double> cues;
    for (int i = 0; i < keystrokes; ++i) {
        renamer::PreviewNames(list, factory, patterns[i % 2], "$1.$2");
        const auto start = Clock::now();
        computer.compute(list, snapshot, rowCues);
        cues.push_back(millisecondsSince(start));
    }

    // The floor: a bare match of the same patterns over the same names.
    std::vector<std::string_view> names;
    names.reserve(list.rowCount());
    for (std::size_t row = 1; row <= list.rowCount(); ++row)
        names.push_back(list.cell(row, renamer::ColumnKey::FileName));
    const double floor = renamer::bench::matchOnlyMilliseconds(names, {patterns[0], patterns[1]}, keystrokes);

    const Summary window = summarize(keystroke);
    const Summary alone = summarize(engine);
    const Summary cuesAlone = summarize(cues);
    std::vector<double> cuesWithRenames;
    std::vector<double> cuesUnchanged;
    for (std::size_t i = 0; i < cues.size(); ++i)
        (i % 2 == 0 ? cuesWithRenames : cuesUnchanged).push_back(cues[i]);
    std::printf("rows: %zu (drop %.1f ms)\n", form.fileList().rowCount(), dropMilliseconds);
    std::printf("memory: %.1f MiB resident with the empty window, %.1f MiB after the drop, %.1f MiB at the peak "
                "while typing\n",
                emptyWindowMebibytes, afterDropMebibytes, peakWindowMebibytes);
    std::printf("keystroke in the window: median %.2f ms, p95 %.2f ms (%d keystrokes, %d repaints of the list)\n",
                window.median, window.p95, keystrokes, counter.paints);
    const Summary inSession = summarize(sessionEdits);
    std::printf("keystroke in a session:  median %.2f ms, p95 %.2f ms (preview and cues, no window)\n",
                inSession.median, inSession.p95);
    std::printf("engine preview alone:    median %.2f ms, p95 %.2f ms\n", alone.median, alone.p95);
    std::printf("floor: match-only %.2f ms (keystroke in the window %.2f× the floor)\n", floor, window.median / floor);
    std::printf("conflict cues alone:     median %.2f ms, p95 %.2f ms (every row renamed: median %.2f ms; "
                "every name unchanged: median %.2f ms)\n",
                cuesAlone.median, cuesAlone.p95, summarize(cuesWithRenames).median, summarize(cuesUnchanged).median);
    std::printf("drop: the window went unanswered for at most %.0f ms\n", dropUnanswered);
    std::printf("batch: %.0f ms, \"%s\", the window unanswered for at most %.0f ms\n", batchMilliseconds,
                batchStatus.c_str(), batchUnanswered);
    return 0;
}
