#pragma once

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace renamer::bench {

// A line of /proc/self/status, such as "VmHWM" or "VmRSS", in mebibytes.
inline double statusMebibytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field) + 1) / 1024.0;
    }
    return 0;
}

} // namespace renamer::bench
