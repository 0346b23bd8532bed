#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace renamer {

// Watches folders for changes made outside the program and reports which
// of them changed, at most once per interval: the first change starts a
// single-shot timer, and every change until it fires joins the same report.
// A folder that changes all the time is thus read at most once per interval,
// and no timer runs while nothing changes.
class FolderWatch final : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(std::chrono::milliseconds interval, QObject* parent = nullptr);

    // Watches exactly these folders from now on; changes waiting for a
    // report in folders no longer watched are forgotten. A folder whose path
    // the system cannot watch (gone, or not valid in the file-name encoding)
    // is left out.
    void watch(const std::vector<std::string>& folders);
    std::vector<std::string> watched() const;

    // Reports these folders again one interval from now (with any that
    // change meanwhile), for a report that could not be acted on yet.
    void reportAgainLater(const std::vector<std::string>& folders);

    // Whether a change waits for its report; only then does the timer run.
    bool isReportPending() const { return timer_.isActive(); }

signals:
    // The folders, as given to watch(), that changed since the last report.
    void foldersChanged(const std::vector<std::string>& folders);

private:
    void noteChange(const QString& path);
    void report();

    QFileSystemWatcher watcher_;
    QTimer timer_;
    std::map<QString, std::string> folders_; // as the watcher names them, and as given
    std::set<QString> changed_;
};

} // namespace renamer
