// Drives the real engine without a window, through the calls the window makes.
//
//   renamer_driver PATTERN REPLACEMENT [--repeat N] < rows
//       Each input line is a row: FileName, optionally a tab and the NewName
//       it holds before the run. Prints each row's NewName after one preview,
//       one per line; with --repeat N, runs N times over fresh copies of the
//       rows and prints the median milliseconds of one run instead.
//
//   renamer_driver PATTERN REPLACEMENT --drop PATH... [--apply] [--timing]
//       Drops the paths on an empty list, optionally applies the new names,
//       and prints the rows (ID, Path, FileName, NewName, tab-separated) and
//       then the status text or failure message. --timing prints the
//       milliseconds of the drop and of the batch to standard error.
#include "ApplyNames.h"
#include "DroppedItems.h"
#include "FileList.h"
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "PreviewNames.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

using namespace renamer;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct InputRow {
    std::string fileName;
    std::string newName;
};

std::vector<InputRow> readRows(std::istream& in)
{
    std::vector<InputRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            rows.push_back({line, {}});
        else
            rows.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return rows;
}

FileList makeList(const std::vector<InputRow>& rows)
{
    FileList list;
    list.reserveForAppending(rows.size());
    for (const InputRow& input : rows) {
        const std::size_t row = list.appendRow(std::to_string(list.rowCount() + 1));
        list.setCell(row, ColumnKey::FileName, input.fileName);
        list.setCell(row, ColumnKey::NewName, input.newName);
    }
    return list;
}

void write(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int previewRows(const PreviewSettings& settings, int repeat)
{
    const std::vector<InputRow> rows = readRows(std::cin);
    if (repeat == 0) {
        FileList list = makeList(rows);
        PreviewNames(list, settings);
        std::string output;
        const SubItemIndex newName = list.subItemIndex(ColumnKey::NewName);
        for (std::size_t row = 1; row <= list.rowCount(); ++row)
            output.append(list.cell(row, newName)).append("\n");
        write(output);
        return 0;
    }
    std::vector<double> milliseconds;
    for (int run = 0; run < repeat; ++run) {
        FileList list = makeList(rows);
        const auto start = Clock::now();
        PreviewNames(list, settings);
        milliseconds.push_back(millisecondsSince(start));
    }
    std::nth_element(milliseconds.begin(), milliseconds.begin() + repeat / 2, milliseconds.end());
    std::printf("%.3f\n", milliseconds[repeat / 2]);
    return 0;
}

void printRows(const FileList& list)
{
    std::string output;
    for (std::size_t row = 1; row <= list.rowCount(); ++row) {
        for (const ListColumn& column : list.columns()) {
            if (column.subItemIndex != 0)
                output += '\t';
            output += list.cell(row, column.subItemIndex);
        }
        output += '\n';
    }
    write(output);
}

int dropAndApply(const PreviewSettings& settings, const std::vector<std::string>& paths, bool apply, bool timing)
{
    PosixFileSystem fileSystem;
    FileList list;
    auto start = Clock::now();
    const DropOutcome dropped = AddDroppedItems(list, fileSystem, paths, settings);
    if (timing)
        std::fprintf(stderr, "drop: %.3f ms for %zu rows\n", millisecondsSince(start), list.rowCount());
    std::string status = dropped.statusText.value_or("");
    if (dropped.failure)
        std::fprintf(stderr, "drop stopped: %s\n", dropped.failure->description.c_str());
    int exitCode = dropped.failure ? 1 : 0;
    if (apply) {
        start = Clock::now();
        const ApplyOutcome applied = ApplyNames(list, fileSystem);
        if (timing)
            std::fprintf(stderr, "apply: %.3f ms for %llu renames\n", millisecondsSince(start),
                         static_cast<unsigned long long>(applied.renamedCount));
        status = applied.statusText;
        exitCode = applied.failed ? 1 : exitCode;
    }
    printRows(list);
    write(status + "\n");
    return exitCode;
}

int usage()
{
    std::fputs("usage: renamer_driver PATTERN REPLACEMENT [--repeat N] < rows\n"
               "       renamer_driver PATTERN REPLACEMENT --drop PATH... [--apply] [--timing]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    const RegularExpressionFactory factory = makePcre2RegularExpression;
    const PreviewSettings settings{factory, argv[1], argv[2]};

    int repeat = 0;
    bool drop = false;
    bool apply = false;
    bool timing = false;
    std::vector<std::string> paths;
    for (int i = 3; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--repeat" && i + 1 < argc && !drop)
            repeat = std::atoi(argv[++i]);
        else if (argument == "--drop")
            drop = true;
        else if (argument == "--apply")
            apply = true;
        else if (argument == "--timing")
            timing = true;
        else if (drop)
            paths.emplace_back(argument);
        else
            return usage();
    }
    if (repeat < 0 || ((apply || timing) && !drop))
        return usage();
    return drop ? dropAndApply(settings, paths, apply, timing) : previewRows(settings, repeat);
}
