#pragma once

#include "ChangeSet.h"
#include "FileSystem.h"
#include "RegularExpression.h"
#include "RenameSession.h"
#include "StatusLine.h"
#include "WindowLayout.h"

#include <QWidget>

#include <chrono>
#include <memory>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace renamer {

class FileDropListView;
class FileListDelegate;
class FileListModel;
class FolderWatch;
class LongAction;

// The tool's one window: the pattern and replacement boxes, the rename
// button, the list of files, the status line and the clear and exit
// buttons. Each user action is one call into the engine; the window only
// shows what the engine reports.
class Form1 final : public QWidget {
    Q_OBJECT

public:
    // The window owns `fileSystem`; `makeRegularExpression` makes the
    // regular-expression object of each preview run.
    Form1(std::unique_ptr<FileSystem> fileSystem, RegularExpressionFactory makeRegularExpression,
          QWidget* parent = nullptr);
    ~Form1() override;

    static const QString kTitle;
    static const QString kStartupHint;
    // How long changes made outside the program to the rows' folders are
    // gathered before their names are read again.
    static constexpr std::chrono::milliseconds kFolderRefreshInterval{300};

    // The controls, named as in the window's design.
    FileDropListView* ListView1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    StatusLine* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;

    const RenameSession& session() const { return session_; }
    const FileList& fileList() const { return session_.fileList(); }
    FileListModel& listModel() const { return *model_; }
    FileListDelegate& listDelegate() const { return *delegate_; }
    FolderWatch& folderWatch() const { return *folderWatch_; }
    const WindowLayout& layout() const { return layout_; }

    // What a drop on the list does with its paths.
    void ListView1_OLEDragDrop(const std::vector<std::string>& paths);
    // For tests: how often a long drop or batch shows its progress.
    void setProgressInterval(std::chrono::milliseconds interval) { session_.setProgressInterval(interval); }
    // Whether a long drop or batch is running.
    bool isBusy() const;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    void SetupList();
    void Text1_Change();
    void Text2_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    void createControls();
    void applyLayout();
    std::string patternText() const;
    std::string replacementText() const;
    // Shows what a user action changed: the rows, the status line and, for
    // a failed batch, the message box.
    void showChanges(const ChangeSet& changes);

    std::unique_ptr<FileSystem> fileSystem_;
    RenameSession session_;
    FileListModel* model_ = nullptr;
    FileListDelegate* delegate_ = nullptr;
    FolderWatch* folderWatch_ = nullptr;
    std::unique_ptr<LongAction> longAction_;
    WindowLayout layout_;
};

} // namespace renamer
