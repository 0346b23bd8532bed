// A keystroke that changes only the replacement replays the matches the last
// preview kept instead of searching. Whatever is typed, every proposal and
// every cue must be those of a preview that searches every row every time.
#include "InMemoryFileSystem.h"
#include "Pcre2RegularExpression.h"
#include "PreviewNames.h"
#include "RenameCues.h"
#include "RenameSession.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace renamer;
using renamer::test_support::InMemoryFileSystem;

namespace {

// Names that stress what a row keeps: many matches, groups that take no
// part, "#" to number, a name past a byte's count, one that is not UTF-8,
// and names whose proposals reach the bound of a working name.
std::string randomName(std::mt19937& random)
{
    static const char* const kPieces[] = {"a", "b", "A", "é", "照片", ".", "#", "x", "ab", "-"};
    std::string name;
    const int pieces = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < pieces; ++i)
        name += kPieces[random() % std::size(kPieces)];
    switch (random() % 16) {
    case 0: return name + std::string(300, 'a') + ".txt";
    case 1: return name + "\xff.txt";
    case 2: return name + std::string(60, 'b');
    case 3: return std::string(240, 'x') + name;
    default: return name;
    }
}

struct Typing {
    std::uint32_t seed;
    std::size_t files;
    int keystrokes;
};

class PreviewReplayTest : public ::testing::TestWithParam<Typing> {};

TEST_P(PreviewReplayTest, EveryProposalAndCueIsThatOfASearchOfEveryRow)
{
    static const char* const kPatterns[] = {
        "(.+)\\.(.+)", "a", "(a)|(b)", ".", "", "x*", "(a)(b)?(c)?(d)?(e)?(f)?(g)?", "[", "é", "^(.)", "(?<n>\\.)\\w*$",
        "(?<=a)b", "(?<=a.*)b", "a$",
    };
    static const char* const kReplacements[] = {
        "$1.$2", "$&$&", "$`$`$`$`", "#", "##_$1", "", "$'", "$<n>", "$$", "z$3", "$7$1", "x",
    };
    std::mt19937 random(GetParam().seed);
    InMemoryFileSystem fileSystem;
    std::vector<std::string> paths;
    const auto addFiles = [&](const std::string& folder, std::size_t count) {
        fileSystem.addFolder(folder);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string path = folder + "/" + std::to_string(i) + randomName(random);
            fileSystem.addFile(path);
            paths.push_back(path);
        }
    };
    addFiles("/d", GetParam().files);
    RenameSession session(fileSystem, makePcre2RegularExpression);
    std::string pattern = kPatterns[0];
    std::string replacement = kReplacements[0];
    session.drop(paths, pattern, replacement);

    // The reference: a copy of the rows, previewed with nothing kept from the
    // run before, and its cues worked out afresh.
    FileList reference;
    PreviewRun referenceRun;
    DirectorySnapshot snapshot;
    RowCueComputer computer;
    std::vector<RowCue> referenceCues;
    const auto startReference = [&] {
        reference = session.fileList();
        snapshot.clear();
        snapshot.readDirectoriesOf(reference, fileSystem, RowRange{1, reference.rowCount()});
    };
    startReference();
    for (int step = 0; step < GetParam().keystrokes; ++step) {
        const unsigned action = random() % 20;
        if (action == 0) {
            // The names change under the kept matches: a batch, or more rows.
            if (random() % 2 == 0) {
                session.apply();
            } else {
                paths.clear();
                addFiles("/e" + std::to_string(step), 3);
                session.drop(paths, pattern, replacement);
            }
            startReference();
        } else if (action < 6) {
            pattern = kPatterns[random() % std::size(kPatterns)];
        } else {
            replacement = kReplacements[random() % std::size(kReplacements)];
        }
        // After a batch, the same texts again: the names are new.
        session.edit(pattern, replacement);
        referenceRun.matchesKept = false;
        PreviewNames(reference, makePcre2RegularExpression, pattern, replacement, reference.rowCount(), &referenceRun);
        computer.compute(reference, snapshot, referenceCues, referenceRun.patternMissed);

        const FileList& list = session.fileList();
        ASSERT_EQ(list.rowCount(), reference.rowCount());
        for (std::size_t row = 1; row <= list.rowCount(); ++row) {
            ASSERT_EQ(list.cell(row, ColumnKey::NewName), reference.cell(row, ColumnKey::NewName))
                << "step " << step << ", row " << row << " \"" << list.cell(row, ColumnKey::FileName)
                << "\", pattern \"" << pattern << "\", replacement \"" << replacement << '"';
            ASSERT_EQ(describeRowCue(session.cue(row)), describeRowCue(referenceCues[row - 1]))
                << "step " << step << ", row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Typing, PreviewReplayTest,
                         ::testing::Values(Typing{1, 60, 300}, Typing{2, 60, 300}, Typing{3, 200, 200},
                                           // rows enough for the preview's threads
                                           Typing{4, 40000, 12}));

} // namespace
