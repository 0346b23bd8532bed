#include "RotateNames.h"

#include "TemporaryName.h"
#include "UserTexts.h"

#include <optional>

namespace renamer {

namespace {

class Rotation {
public:
    Rotation(FileSystem& fileSystem, const OpenFolderPtr& folder, const std::vector<RotatingFile>& files)
        : fileSystem_(fileSystem)
        , folder_(folder)
        , files_(files)
    {
    }

    // Nothing when the volume turns out not to exchange after all (nothing
    // has moved then).
    std::optional<std::expected<std::vector<std::string>, RotationFailure>> byExchanges()
    {
        const std::string& first = oldName(0);
        for (std::size_t step = 1; step < files_.size(); ++step) {
            // The first name holds the file of the step before; this step
            // gives it that file's new name, and this file the first name.
            auto held = findAgain(first, step - 1);
            if (!held)
                return undoExchanges(step - 1, {step - 1, held.error()});
            auto next = findAgain(oldName(step), step);
            if (!next)
                return undoExchanges(step - 1, {step, next.error()});
            if (auto exchanged = fileSystem_.exchange(*held, *next); !exchanged) {
                if (step == 1 && exchanged.error().kind == FailureKind::Unsupported)
                    return std::nullopt;
                return undoExchanges(step - 1, {step - 1, exchanged.error()});
            }
        }
        std::vector<std::string> names;
        names.reserve(files_.size());
        for (const RotatingFile& file : files_)
            names.push_back(file.newName);
        return names;
    }

    std::expected<std::vector<std::string>, RotationFailure> byTemporaryName()
    {
        std::vector<std::string> names(files_.size());
        // The first file steps aside.
        Result<std::string> parked = failWith(failureOf(FailureKind::Exists));
        for (unsigned attempt = 0; attempt < kTemporaryNameAttempts && !parked; ++attempt) {
            parked = fileSystem_.move(files_[0].file, pathOf(temporaryNameFor(oldName(0), attempt)));
            if (!parked && parked.error().kind != FailureKind::Exists)
                break;
        }
        if (!parked)
            return std::unexpected(RotationFailure{0, parked.error()});
        parked_ = *parked;
        // The last file takes the first one's name, and so on back to the second.
        for (std::size_t index = files_.size() - 1; index >= 1; --index) {
            auto moved = moveOn(oldName(index), index);
            if (!moved)
                return undoMoves(index + 1, {index, moved.error()});
            names[index] = *std::move(moved);
        }
        auto moved = moveOn(parked_, 0);
        if (!moved)
            return undoMoves(1, {0, moved.error()});
        names[0] = *std::move(moved);
        return names;
    }

private:
    const std::string& oldName(std::size_t index) const { return files_[index].file.name; }
    std::string pathOf(std::string_view name) const { return files_[0].file.parentPath + "/" + std::string(name); }

    // The file under `name`, which must be file `index`.
    Result<FileHandle> findAgain(std::string_view name, std::size_t index)
    {
        auto found = fileSystem_.lookUpFileIn(folder_, name);
        if (found && !maybeSameInode(found->identity.inode, files_[index].file.identity.inode))
            return failWith(failureOf(FailureKind::FileReplaced));
        return found;
    }

    // Moves file `index`, now under `name`, to its new name.
    Result<std::string> moveOn(std::string_view name, std::size_t index)
    {
        auto found = findAgain(name, index);
        if (!found)
            return std::unexpected(found.error());
        return fileSystem_.move(*found, pathOf(files_[index].newName));
    }

    // Exchanges back the first `steps` exchanges, the last first. Each puts
    // back what it swapped, whatever the files are.
    std::unexpected<RotationFailure> undoExchanges(std::size_t steps, RotationFailure failure)
    {
        for (std::size_t step = steps; step >= 1; --step) {
            auto held = fileSystem_.lookUpFileIn(folder_, oldName(0));
            auto next = fileSystem_.lookUpFileIn(folder_, oldName(step));
            if (!held || !next || !fileSystem_.exchange(*held, *next)) {
                failure.failure = leftMidRotation(std::move(failure.failure));
                break;
            }
        }
        return std::unexpected(std::move(failure));
    }

    // Moves files `from`..last, which took their new names, back to their
    // old ones, then the parked first file.
    std::unexpected<RotationFailure> undoMoves(std::size_t from, RotationFailure failure)
    {
        bool restored = true;
        for (std::size_t index = from; index < files_.size(); ++index) {
            auto found = findAgain(files_[index].newName, index);
            restored = found && fileSystem_.move(*found, pathOf(oldName(index))) && restored;
        }
        auto found = findAgain(parked_, 0);
        if (!found || !fileSystem_.move(*found, pathOf(oldName(0))))
            failure.failure = leftUnderTemporaryName(std::move(failure.failure), parked_);
        else if (!restored)
            failure.failure = leftMidRotation(std::move(failure.failure));
        return std::unexpected(std::move(failure));
    }

    FileSystem& fileSystem_;
    const OpenFolderPtr& folder_;
    const std::vector<RotatingFile>& files_;
    std::string parked_;
};

} // namespace

std::expected<std::vector<std::string>, RotationFailure> rotateNames(FileSystem& fileSystem,
                                                                      const OpenFolderPtr& folder,
                                                                      const std::vector<RotatingFile>& files)
{
    Rotation rotation(fileSystem, folder, files);
    bool spelledAsFound = true;
    for (std::size_t index = 0; index < files.size(); ++index)
        spelledAsFound &= files[index].newName == files[(index + 1) % files.size()].file.name;
    if (folder->volume().canExchange && spelledAsFound) {
        if (auto exchanged = rotation.byExchanges())
            return *std::move(exchanged);
    }
    return rotation.byTemporaryName();
}

} // namespace renamer
