#pragma once

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include <stdlib.h>

namespace renamer::test_support {

// A fresh directory under the system's temporary folder, removed with all it
// holds when the test ends. Its path is resolved, so it compares equal to what
// getcwd reports inside it.
class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/renamer-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        char resolved[PATH_MAX];
        if (realpath(pattern.c_str(), resolved) == nullptr)
            throw std::runtime_error("realpath failed");
        path_ = resolved;
    }
    ~TemporaryDirectory()
    {
        std::error_code ignored; // a test that failed half-way may leave odd permissions
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// Every entry's name and, for files, content: what a rename may or may not change.
inline std::map<std::string, std::string> snapshot(const std::string& folder)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ostringstream content;
        if (entry.is_regular_file())
            content << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        entries[entry.path().filename().string()] = content.str();
    }
    return entries;
}

} // namespace renamer::test_support
