#include "FolderWatch.h"

#include <QFile>

namespace renamer {

FolderWatch::FolderWatch(std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setInterval(interval);
    connect(&timer_, &QTimer::timeout, this, &FolderWatch::report);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FolderWatch::noteChange);
}

void FolderWatch::watch(const std::vector<std::string>& folders)
{
    std::map<QString, std::string> wanted;
    for (const std::string& folder : folders)
        wanted.emplace(QFile::decodeName(QByteArray::fromStdString(folder)), folder);

    QStringList gone;
    for (const auto& [path, folder] : folders_) {
        if (!wanted.contains(path))
            gone.append(path);
    }
    if (!gone.isEmpty())
        watcher_.removePaths(gone);
    for (const QString& path : gone) {
        folders_.erase(path);
        changed_.erase(path);
    }

    QStringList added;
    for (const auto& [path, folder] : wanted) {
        if (!folders_.contains(path))
            added.append(path);
    }
    const QStringList refused = added.isEmpty() ? QStringList{} : watcher_.addPaths(added);
    for (const QString& path : added) {
        if (!refused.contains(path))
            folders_.emplace(path, wanted.at(path));
    }
    if (changed_.empty())
        timer_.stop();
}

std::vector<std::string> FolderWatch::watched() const
{
    std::vector<std::string> folders;
    for (const auto& [path, folder] : folders_)
        folders.push_back(folder);
    return folders;
}

void FolderWatch::reportAgainLater(const std::vector<std::string>& folders)
{
    for (const std::string& folder : folders)
        noteChange(QFile::decodeName(QByteArray::fromStdString(folder)));
}

void FolderWatch::noteChange(const QString& path)
{
    if (!folders_.contains(path))
        return;
    changed_.insert(path);
    // Not restarted by later changes: a folder that never rests is still
    // reported once per interval.
    if (!timer_.isActive())
        timer_.start();
}

void FolderWatch::report()
{
    std::vector<std::string> folders;
    for (const QString& path : changed_) {
        if (const auto found = folders_.find(path); found != folders_.end())
            folders.push_back(found->second);
    }
    changed_.clear();
    if (!folders.empty())
        emit foldersChanged(folders);
}

} // namespace renamer
