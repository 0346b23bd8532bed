// Drives the real preview without a window.
//
//   preview_driver PATTERN REPLACEMENT [--repeat N] < rows
//
// Each input line is a row: FileName, optionally a tab and the NewName it
// holds before the run. Prints each row's NewName after one run, one per
// line; with --repeat N, runs N times over fresh copies of the rows and
// prints the median milliseconds of one run instead.
#include "FileList.h"
#include "Pcre2RegularExpression.h"
#include "PreviewNames.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

using namespace renamer;

namespace {

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
    list.reserve(rows.size());
    for (const InputRow& input : rows) {
        const std::size_t row = list.appendRow(std::to_string(list.rowCount() + 1));
        list.setCell(row, ColumnKey::FileName, input.fileName);
        list.setCell(row, ColumnKey::NewName, input.newName);
    }
    return list;
}

int usage()
{
    std::fputs("usage: preview_driver PATTERN REPLACEMENT [--repeat N] < rows\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5)
        return usage();
    int repeat = 0;
    if (argc == 5) {
        if (std::strcmp(argv[3], "--repeat") != 0)
            return usage();
        repeat = std::atoi(argv[4]);
        if (repeat <= 0)
            return usage();
    }
    const std::string pattern = argv[1];
    const std::string replacement = argv[2];
    const std::vector<InputRow> rows = readRows(std::cin);
    const RegularExpressionFactory factory = makePcre2RegularExpression;

    if (repeat == 0) {
        FileList list = makeList(rows);
        PreviewNames(list, factory, pattern, replacement);
        const SubItemIndex newName = list.subItemIndex(ColumnKey::NewName);
        std::string output;
        for (std::size_t row = 1; row <= list.rowCount(); ++row) {
            output += list.cell(row, newName);
            output += '\n';
        }
        std::fwrite(output.data(), 1, output.size(), stdout);
        return 0;
    }

    std::vector<double> milliseconds;
    for (int run = 0; run < repeat; ++run) {
        FileList list = makeList(rows);
        const auto start = std::chrono::steady_clock::now();
        PreviewNames(list, factory, pattern, replacement);
        const auto stop = std::chrono::steady_clock::now();
        milliseconds.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::nth_element(milliseconds.begin(), milliseconds.begin() + repeat / 2, milliseconds.end());
    std::printf("%.3f\n", milliseconds[repeat / 2]);
    return 0;
}
