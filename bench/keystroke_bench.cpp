// How long a keystroke in the pattern box takes with a full list: the
// preview over every row, the model's refresh and the repaint of the visible
// rows, in the real window (run it offscreen: QT_QPA_PLATFORM=offscreen).
//
//   keystroke_bench [ROWS] [KEYSTROKES] [--keystrokes-only]
//
// Creates ROWS files (default 32767) with realistic names in a temporary
// folder, drops the folder on the window, then types and deletes a character
// KEYSTROKES times (default 200) in the pattern box, and as often in the
// replacement box, and prints the median and 95th percentile of one
// keystroke (preview, conflict cues, model refresh and repaint), beside the
// same keystroke in a session without a window, and the preview alone and
// the cues alone over the same rows. With --keystrokes-only it stops after
// the keystrokes in the window (for a profiler).
//
// Every keystroke is paired with a bare match of its pattern over the same
// names (the floor), timed right before it, so that both see the machine as
// it is at that moment: the ratios of each pair, their median and spread,
// hold on a machine whose speed drifts.
#include "FileDropListView.h"
#include "FileListModel.h"
#include "Form1.h"
#include "MatchOnlyFloor.h"
#include "Pcre2RegularExpression.h"
#include "ProcessMemory.h"
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
#include <string_view>
#include <vector>

namespace {

using renamer::bench::statusMebibytes;

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

using renamer::bench::PairedRatios;

// The FileName cells of a list, read in place: the floor's names, which cost
// no memory beside the list's own.
struct FileNames {
    const renamer::FileList& list;
    renamer::SubItemIndex index = list.subItemIndex(renamer::ColumnKey::FileName);

    std::size_t size() const { return list.rowCount(); }
    std::string_view operator[](std::size_t i) const { return list.cell(i + 1, index); }
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
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const bool keystrokesOnly = std::erase(arguments, "--keystrokes-only") > 0;
    const int rows = !arguments.empty() ? std::atoi(arguments[0].data()) : 32767;
    const int keystrokes = arguments.size() > 1 ? std::atoi(arguments[1].data()) : 200;

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
    const double dropPeakMebibytes = statusMebibytes("VmHWM:");

    // "(.+)\.(.+)." takes the last character off every extension, so every
    // row's proposal changes with each keystroke; the floor matches the
    // pattern the keystroke leaves in the box.
    const char* const patterns[] = {"(.+)\\.(.+).", "(.+)\\.(.+)"};
    // Typing changes no FileName, so the cells stay put.
    renamer::bench::MatchOnlyFloor floor(FileNames{form.fileList()}, {patterns[0], patterns[1]});

    PaintCounter counter;
    form.ListView1->viewport()->installEventFilter(&counter);
    form.ListView1->viewport()->update();
    for (int k = 0; k < 100; ++k) QCoreApplication::processEvents();
    // Types `keys[i % 2]` into `box` `keystrokes` times, each right after a
    // pass of the floor over pattern `floorPatterns[i % 2]`.
    const auto typeInto = [&](QLineEdit* box, const Qt::Key (&keys)[2], const std::size_t (&floorPatterns)[2],
                              std::vector<double>& keystroke, std::vector<double>& floorPasses) {
        box->setFocus();
        box->end(false);
        for (int i = 0; i < keystrokes; ++i) {
            floorPasses.push_back(floor.pass(floorPatterns[i % 2]));
            const auto start = Clock::now();
            QTest::keyClick(box, keys[i % 2]);
            // Until the list has been repainted; the platform's frame pacing is off.
            const int paintsBefore = counter.paints;
            while (counter.paints == paintsBefore && millisecondsSince(start) < 1000)
                QCoreApplication::processEvents();
            keystroke.push_back(millisecondsSince(start));
        }
    };
    std::vector<double> keystroke;
    std::vector<double> floorPasses;
    typeInto(form.Text1, {Qt::Key_Period, Qt::Key_Backspace}, {0, 1}, keystroke, floorPasses);
    // "$1.$2x" gives every row a new proposal, and the pattern stays.
    form.Text1->setText(QString::fromUtf8(patterns[1]));
    std::vector<double> replacementKeystroke;
    std::vector<double> replacementFloor;
    typeInto(form.Text2, {Qt::Key_X, Qt::Key_Backspace}, {1, 1}, replacementKeystroke, replacementFloor);

    const double peakWindowMebibytes = statusMebibytes("VmHWM:");
    const Summary window = summarize(keystroke);
    const PairedRatios paired = renamer::bench::pairedRatios(keystroke, floorPasses);
    const Summary replacementWindow = summarize(replacementKeystroke);
    const PairedRatios replacementPaired = renamer::bench::pairedRatios(replacementKeystroke, replacementFloor);
    std::printf("rows: %zu (drop %.1f ms)\n", form.fileList().rowCount(), dropMilliseconds);
    std::printf("memory: %.1f MiB resident with the empty window, %.1f MiB after the drop, %.1f MiB at the peak "
                "while typing (%.1f MiB at the peak of the drop)\n",
                emptyWindowMebibytes, afterDropMebibytes, peakWindowMebibytes, dropPeakMebibytes);
    std::printf("keystroke in the window: median %.2f ms, p95 %.2f ms (%d keystrokes, %d repaints of the list)\n",
                window.median, window.p95, keystrokes, counter.paints);
    std::printf("floor: match-only %.2f ms (keystroke in the window %.2f× the floor)\n",
                summarize(floorPasses).median, paired.median);
    std::printf("paired ratio, pattern keystroke / floor: median %.2f×, min %.2f×, max %.2f× (%zu pairs)\n",
                paired.median, paired.min, paired.max, paired.pairs);
    std::printf("replacement keystroke in the window: median %.2f ms, p95 %.2f ms (floor %.2f ms)\n",
                replacementWindow.median, replacementWindow.p95, summarize(replacementFloor).median);
    std::printf("paired ratio, replacement keystroke / floor: median %.2f×, min %.2f×, max %.2f× (%zu pairs)\n",
                replacementPaired.median, replacementPaired.min, replacementPaired.max, replacementPaired.pairs);
    std::fflush(stdout);
    if (keystrokesOnly) {
        std::filesystem::remove_all(folder);
        return floor.matched() == static_cast<std::size_t>(-1) ? 1 : 0;
    }

    // A batch renaming every row, in the window.
    form.Text1->setText(QStringLiteral("(.+)\\.(.+)"));
    form.Text2->setText(QStringLiteral("$1_r.$2"));
    const auto batchStart = Clock::now();
    const double batchUnanswered = longestUnansweredMilliseconds([&] { form.Command1->click(); });
    const double batchMilliseconds = millisecondsSince(batchStart);
    const std::string batchStatus = form.Label1->text().toStdString();

    // The same keystrokes in a session of its own, without a window; the
    // floor's names are those of the first session's rows before the batch,
    // which this one's are now.
    renamer::PosixFileSystem fileSystem;
    renamer::RenameSession session(fileSystem, renamer::makePcre2RegularExpression);
    session.drop({folder.string()}, patterns[1], "$1.$2");
    renamer::bench::MatchOnlyFloor sessionFloor(FileNames{session.fileList()}, {patterns[0], patterns[1]});
    std::vector<double> sessionEdits;
    std::vector<double> sessionFloorPasses;
    for (int i = 0; i < keystrokes; ++i) {
        sessionFloorPasses.push_back(sessionFloor.pass(static_cast<std::size_t>(i % 2)));
        const auto start = Clock::now();
        session.edit(patterns[i % 2], "$1.$2");
        sessionEdits.push_back(millisecondsSince(start));
    }

    // Its two steps apart: the preview alone over a copy of the rows, and the
    // cues alone against a snapshot of the folder taken as a drop takes it.
    renamer::FileList list = session.fileList();
    const renamer::RegularExpressionFactory factory = renamer::makePcre2RegularExpression;
    std::vector<double> engine;
    std::vector<double> engineFloor;
    for (int i = 0; i < keystrokes; ++i) {
        engineFloor.push_back(sessionFloor.pass(static_cast<std::size_t>(i % 2)));
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
    std::vector<double> cuesFloor;
    for (int i = 0; i < keystrokes; ++i) {
        renamer::PreviewNames(list, factory, patterns[i % 2], "$1.$2");
        cuesFloor.push_back(sessionFloor.pass(static_cast<std::size_t>(i % 2)));
        const auto start = Clock::now();
        computer.compute(list, snapshot, rowCues);
        cues.push_back(millisecondsSince(start));
    }

    const Summary alone = summarize(engine);
    const Summary cuesAlone = summarize(cues);
    std::vector<double> cuesWithRenames;
    std::vector<double> cuesUnchanged;
    for (std::size_t i = 0; i < cues.size(); ++i)
        (i % 2 == 0 ? cuesWithRenames : cuesUnchanged).push_back(cues[i]);
    const Summary inSession = summarize(sessionEdits);
    std::printf("keystroke in a session:  median %.2f ms, p95 %.2f ms (preview and cues, no window; "
                "paired ratio to the floor %.2f×)\n",
                inSession.median, inSession.p95, renamer::bench::pairedRatios(sessionEdits, sessionFloorPasses).median);
    std::printf("engine preview alone:    median %.2f ms, p95 %.2f ms (paired ratio to the floor %.2f×)\n",
                alone.median, alone.p95, renamer::bench::pairedRatios(engine, engineFloor).median);
    std::printf("conflict cues alone:     median %.2f ms, p95 %.2f ms (every row renamed: median %.2f ms; "
                "every name unchanged: median %.2f ms; paired ratio to the floor %.2f×)\n",
                cuesAlone.median, cuesAlone.p95, summarize(cuesWithRenames).median, summarize(cuesUnchanged).median,
                renamer::bench::pairedRatios(cues, cuesFloor).median);
    std::printf("drop: the window went unanswered for at most %.0f ms\n", dropUnanswered);
    std::printf("batch: %.0f ms, \"%s\", the window unanswered for at most %.0f ms\n", batchMilliseconds,
                batchStatus.c_str(), batchUnanswered);
    return floor.matched() + sessionFloor.matched() == static_cast<std::size_t>(-1) ? 1 : 0;
}
