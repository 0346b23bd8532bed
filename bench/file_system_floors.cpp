// The bare system calls the engine's file work is measured against.
//
//   file_system_floors rename DIR N   renames DIR/f<i> to DIR/g<i>, i = 1..N,
//                                     with renameat2(RENAME_NOREPLACE)
//   file_system_floors list DIR       reads DIR with readdir and sorts the
//                                     names, once by bytes and once in the
//                                     listing's natural order
// Each prints milliseconds.
#include "NaturalOrder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int renameLoop(const std::string& directory, long count)
{
    std::string from;
    std::string to;
    const auto start = Clock::now();
    for (long i = 1; i <= count; ++i) {
        from = directory + "/f" + std::to_string(i);
        to = directory + "/g" + std::to_string(i);
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
            std::perror(from.c_str());
            return 1;
        }
    }
    std::printf("rename loop: %.3f ms\n", millisecondsSince(start));
    return 0;
}

std::vector<std::string> readNames(const std::string& directory)
{
    std::vector<std::string> names;
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != ".." && entry->d_type != DT_DIR)
            names.emplace_back(directory + "/" + entry->d_name);
    }
    closedir(dir);
    return names;
}

int listAndSort(const std::string& directory)
{
    auto start = Clock::now();
    std::vector<std::string> names = readNames(directory);
    std::sort(names.begin(), names.end());
    std::printf("readdir + byte sort: %.3f ms for %zu names\n", millisecondsSince(start), names.size());

    // The natural order as a bare program would sort by it: a key per name,
    // made once, then a sort of the keys.
    start = Clock::now();
    names = readNames(directory);
    const std::size_t prefix = directory.size() + 1;
    std::vector<std::pair<std::string, std::size_t>> keyed(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        renamer::appendNaturalSortKey(keyed[i].first, std::string_view(names[i]).substr(prefix));
        keyed[i].second = i;
    }
    std::sort(keyed.begin(), keyed.end());
    std::printf("readdir + natural sort: %.3f ms for %zu names\n", millisecondsSince(start), names.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "rename" && argc == 4)
        return renameLoop(argv[2], std::atol(argv[3]));
    if (command == "list" && argc == 3)
        return listAndSort(argv[2]);
    std::fputs("usage: file_system_floors rename DIR N | list DIR\n", stderr);
    return 2;
}
