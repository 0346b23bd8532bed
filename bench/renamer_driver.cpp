// Drives the engine without a window, through the session the window uses.
//
//   renamer_driver PATTERN REPLACEMENT [--repeat N] < names
//       Each input line is a file name; the names become the rows of one
//       folder, dropped on an empty list. Prints each row's NewName after the
//       pattern and replacement are typed, one per line; with --repeat N,
//       prints instead the median milliseconds of that keystroke (the preview
//       and the cues), typed N times in one session (each time after the
//       replacement box was emptied, so that every row's proposal changes).
//
//   renamer_driver PATTERN REPLACEMENT --typing N < names
//       The same rows; the pattern's last character is taken back and typed
//       again N times, and the median milliseconds of each of the two
//       keystrokes (a new pattern each time, so every row is matched again)
//       are printed: taken back, then typed.
//
//   renamer_driver PATTERN REPLACEMENT --memory < names
//       The same keystroke once, and what it costs in memory: the size of the
//       proposals it made, and the peak of the process's resident memory
//       during the keystroke above what it held before, with the rows.
//
//   renamer_driver PATTERN REPLACEMENT --drop PATH... [--cues] [--wait FILE] [--apply] [--timing]
//       Drops the paths on an empty list, optionally applies the new names,
//       and prints the rows (ID, Path, FileName, NewName, tab-separated) and
//       then the status text or failure message. --cues adds a fifth column:
//       each row's cue text (its tooltip; empty for a clean row) as it was
//       after the drop, before any --apply. --wait FILE, after the drop and
//       its cues, writes "waiting for FILE" to standard error and waits until
//       FILE exists before going on, so that a script can change the folders
//       between the drop and the button. --timing prints the milliseconds
//       of the drop and of the batch to standard error.
//
// Every printed cell and status text has tab, newline and backslash written
// as "\t", "\n" and "\\"; the names on standard input take the same
// escapes, so names holding those characters can be driven and read back.
#include "CellEscapes.h"
#include "FileList.h"
#include "InMemoryFileSystem.h"
#include "Pcre2RegularExpression.h"
#include "ProcessMemory.h"
#include "PosixFileSystem.h"
#include "RenameSession.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <sys/stat.h>

using namespace renamer;

namespace {

using renamer::bench::statusMebibytes;

using Clock = std::chrono::steady_clock;

constexpr const char* kFolder = "/names";

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<std::string> readNames(std::istream& in)
{
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);)
        names.push_back(unescapeCell(line));
    return names;
}

void write(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// A file system that holds one folder, kFolder, whose files are the given
// names in the given order.
test_support::InMemoryFileSystem namesAsFolder(const std::vector<std::string>& names)
{
    FolderListing folder;
    for (const std::string& name : names)
        folder.names.add(name);
    test_support::InMemoryFileSystem fileSystem;
    fileSystem.addFolder(kFolder, folder);
    return fileSystem;
}

// A session holding the names as the rows of one folder, dropped while the
// replacement box was empty (so no row has a proposal yet), then the
// replacement typed.
struct Keystroke {
    test_support::InMemoryFileSystem folder;
    RenameSession session;

    Keystroke(const std::vector<std::string>& names, std::string_view pattern)
        : folder(namesAsFolder(names))
        , session(folder, makePcre2RegularExpression)
    {
        session.drop({kFolder}, pattern, "");
    }
};

int previewRows(std::string_view pattern, std::string_view replacement, int repeat)
{
    const std::vector<std::string> names = readNames(std::cin);
    if (repeat == 0) {
        Keystroke keystroke(names, pattern);
        keystroke.session.edit(pattern, replacement);
        const FileList& list = keystroke.session.fileList();
        std::string output;
        const SubItemIndex newName = list.subItemIndex(ColumnKey::NewName);
        for (std::size_t row = 1; row <= list.rowCount(); ++row)
            output.append(escapeCell(list.cell(row, newName))).append("\n");
        write(output);
        return 0;
    }
    // The replacement typed, then taken back, again and again in one session,
    // as in a window that has been in use for a while: the keystroke that
    // gives every row its proposal is timed.
    std::vector<double> milliseconds;
    Keystroke keystroke(names, pattern);
    keystroke.session.edit(pattern, replacement);
    for (int run = 0; run < repeat; ++run) {
        keystroke.session.edit(pattern, "");
        const auto start = Clock::now();
        keystroke.session.edit(pattern, replacement);
        milliseconds.push_back(millisecondsSince(start));
    }
    std::nth_element(milliseconds.begin(), milliseconds.begin() + repeat / 2, milliseconds.end());
    std::printf("%.3f\n", milliseconds[repeat / 2]);
    return 0;
}

int usage();

int typePattern(std::string_view pattern, std::string_view replacement, int repeat)
{
    if (pattern.empty())
        return usage();
    const std::string_view shorter = pattern.substr(0, pattern.size() - 1);
    Keystroke keystroke(readNames(std::cin), pattern);
    keystroke.session.edit(pattern, replacement);
    std::vector<double> takenBack;
    std::vector<double> typed;
    for (int run = 0; run < repeat; ++run) {
        auto start = Clock::now();
        keystroke.session.edit(shorter, replacement);
        takenBack.push_back(millisecondsSince(start));
        start = Clock::now();
        keystroke.session.edit(pattern, replacement);
        typed.push_back(millisecondsSince(start));
    }
    for (std::vector<double>* times : {&takenBack, &typed})
        std::nth_element(times->begin(), times->begin() + repeat / 2, times->end());
    std::printf("%.3f %.3f\n", takenBack[repeat / 2], typed[repeat / 2]);
    return 0;
}

int previewMemory(std::string_view pattern, std::string_view replacement)
{
    Keystroke keystroke(readNames(std::cin), pattern);
    // The peak from here on: writing 5 to clear_refs sets VmHWM to VmRSS.
    std::ofstream("/proc/self/clear_refs") << "5";
    const double before = statusMebibytes("VmRSS:");
    keystroke.session.edit(pattern, replacement);
    const double peak = statusMebibytes("VmHWM:");
    const FileList& list = keystroke.session.fileList();
    std::size_t proposalBytes = 0;
    for (std::size_t row = 1; row <= list.rowCount(); ++row)
        proposalBytes += list.cell(row, ColumnKey::NewName).size();
    const double proposals = static_cast<double>(proposalBytes) / (1024.0 * 1024.0);
    std::printf("proposals: %.1f MiB; peak above the rows: %.1f MiB (%.2f× the proposals)\n", proposals,
                peak - before, (peak - before) / proposals);
    return 0;
}

// `cues`, where not empty, holds each row's cue text, printed after its cells.
void printRows(const FileList& list, const std::vector<std::string>& cues)
{
    std::string output;
    for (std::size_t row = 1; row <= list.rowCount(); ++row) {
        for (const ListColumn& column : list.columns()) {
            if (column.subItemIndex != 0)
                output += '\t';
            output += escapeCell(list.cell(row, column.subItemIndex));
        }
        if (!cues.empty())
            output.append("\t").append(escapeCell(cues[row - 1]));
        output += '\n';
    }
    write(output);
}

// Returns once `path` names an entry, looking every few milliseconds.
void waitUntilExists(const std::string& path)
{
    std::fprintf(stderr, "waiting for %s\n", path.c_str());
    std::fflush(stderr);
    struct stat status {};
    while (lstat(path.c_str(), &status) != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

int dropAndApply(std::string_view pattern, std::string_view replacement, const std::vector<std::string>& paths,
                 bool cues, const std::string& waitFor, bool apply, bool timing)
{
    PosixFileSystem fileSystem;
    RenameSession session(fileSystem, makePcre2RegularExpression);
    auto start = Clock::now();
    const ChangeSet dropped = session.drop(paths, pattern, replacement);
    if (timing)
        std::fprintf(stderr, "drop: %.3f ms for %zu rows\n", millisecondsSince(start), session.fileList().rowCount());
    // A drop that stops gives no status text.
    std::string status = dropped.statusText.value_or("");
    int exitCode = dropped.statusText ? 0 : 1;
    if (!dropped.statusText)
        std::fputs("drop stopped\n", stderr);
    std::vector<std::string> cueTexts;
    for (std::size_t row = 1; cues && row <= session.fileList().rowCount(); ++row)
        cueTexts.push_back(session.cueText(row));
    if (!waitFor.empty())
        waitUntilExists(waitFor);
    if (apply) {
        start = Clock::now();
        const ChangeSet applied = session.apply();
        if (timing)
            std::fprintf(stderr, "apply: %.3f ms for %zu rows\n", millisecondsSince(start),
                         session.fileList().rowCount());
        status = applied.statusText.value_or("");
        exitCode = applied.failureMessage ? 1 : exitCode;
    }
    printRows(session.fileList(), cueTexts);
    write(escapeCell(status) + "\n");
    return exitCode;
}

int usage()
{
    std::fputs("usage: renamer_driver PATTERN REPLACEMENT [--repeat N | --typing N | --memory] < rows\n"
               "       renamer_driver PATTERN REPLACEMENT --drop PATH... [--cues] [--wait FILE] [--apply] [--timing]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    const std::string_view pattern = argv[1];
    const std::string_view replacement = argv[2];

    int repeat = 0;
    int typing = 0;
    bool drop = false;
    bool apply = false;
    bool cues = false;
    bool timing = false;
    bool memory = false;
    std::string waitFor;
    std::vector<std::string> paths;
    for (int i = 3; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--repeat" && i + 1 < argc && !drop)
            repeat = std::atoi(argv[++i]);
        else if (argument == "--typing" && i + 1 < argc && !drop)
            typing = std::atoi(argv[++i]);
        else if (argument == "--memory" && !drop)
            memory = true;
        else if (argument == "--drop")
            drop = true;
        else if (argument == "--apply")
            apply = true;
        else if (argument == "--cues")
            cues = true;
        else if (argument == "--timing")
            timing = true;
        else if (argument == "--wait" && i + 1 < argc)
            waitFor = argv[++i];
        else if (drop)
            paths.emplace_back(argument);
        else
            return usage();
    }
    if (repeat < 0 || ((apply || cues || timing || !waitFor.empty()) && !drop) || (memory && repeat != 0))
        return usage();
    if (typing > 0 && repeat == 0 && !memory && !drop)
        return typePattern(pattern, replacement, typing);
    if (typing != 0)
        return usage();
    if (memory)
        return previewMemory(pattern, replacement);
    return drop ? dropAndApply(pattern, replacement, paths, cues, waitFor, apply, timing)
                : previewRows(pattern, replacement, repeat);
}
