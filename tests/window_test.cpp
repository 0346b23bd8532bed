// Drives the real window offscreen as a user would, and checks what the user
// would see and what is on disk afterwards.
#include "FileDropListView.h"
#include "FileListModel.h"
#include "FolderWatch.h"
#include "Form1.h"
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "TemporaryDirectory.h"
#include "WrappedMessageText.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <qpa/qwindowsysteminterface.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <utility>

using namespace renamer;
using renamer::test_support::snapshot;
using renamer::test_support::TemporaryDirectory;
using renamer::test_support::writeFile;

namespace {

// The signals a model sent, each as one line naming its rows and columns
// (view coordinates) and, for dataChanged, whether texts or cues changed.
class SignalLog {
public:
    explicit SignalLog(const QAbstractItemModel& model)
    {
        QObject::connect(&model, &QAbstractItemModel::modelReset, &context_, [this] { lines.append("reset"); });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, &context_,
                         [this](const QModelIndex&, int first, int last) {
                             lines.append(QStringLiteral("insert %1..%2").arg(first).arg(last));
                         });
        QObject::connect(&model, &QAbstractItemModel::dataChanged, &context_,
                         [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                             const char* what = roles.contains(Qt::DisplayRole)             ? "text"
                                 : roles.contains(FileListModel::TintRole) ? "tint"
                                                                           : "cue";
                             lines.append(QStringLiteral("%1 %2,%3..%4,%5")
                                              .arg(what)
                                              .arg(topLeft.row())
                                              .arg(topLeft.column())
                                              .arg(bottomRight.row())
                                              .arg(bottomRight.column()));
                         });
    }
    // The lines so far, and a fresh start.
    QStringList take() { return std::exchange(lines, {}); }

    QStringList lines;

private:
    QObject context_;
};

// Presses OK in the next message box as soon as its own event loop runs, and
// keeps what the box showed.
class MessageBoxCloser {
public:
    MessageBoxCloser()
    {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            timer_.stop();
            text = box->text();
            title = box->windowTitle();
            frame = box->frameGeometry();
            screen = box->screen()->availableGeometry();
            if (const auto* shown = box->findChild<WrappedMessageText*>()) {
                shownText = shown->text();
                shownHeight = shown->height();
                neededHeight = shown->heightForWidth(shown->width());
            }
            icon = box->icon();
            buttons = static_cast<int>(box->buttons().size());
            box->button(QMessageBox::Ok)->click();
        });
        timer_.start();
    }

    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Information;
    int buttons = 0;
    QRect frame;
    QRect screen;
    QString shownText; // what the box draws its text with
    int shownHeight = 0;
    int neededHeight = 0;

private:
    QTimer timer_;
};

// The notifications assistive technology is told are shown, by their names.
QStringList announced;
void recordAnnouncement(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::ObjectShow && event->accessibleInterface()->role() == QAccessible::Notification)
        announced.append(event->accessibleInterface()->text(QAccessible::Name));
}

QUrl fileUrl(const std::string& path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

std::unique_ptr<QMimeData> filesMime(const std::vector<std::string>& paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls.append(fileUrl(path));
    mime->setUrls(urls);
    return mime;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryDirectory> temp;
    std::unique_ptr<Form1> form;
    std::unique_ptr<QAbstractItemModelTester> modelTester;
    std::string dir;

    QString cell(int row, std::string_view key) const
    {
        const FileListModel& model = form->listModel();
        return model.data(model.index(row, model.columnOf(key))).toString();
    }

    // A drag that enters the list, moves over it and is dropped, as a file
    // manager sends it; returns whether and how each step was accepted.
    struct DragAnswers {
        bool enterAccepted = false;
        bool moveAccepted = false;
        bool dropAccepted = false;
        Qt::DropAction dropAction = Qt::IgnoreAction;
    };
    DragAnswers drag(const QMimeData& mime, Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction,
                     Qt::DropAction proposed = Qt::MoveAction, QWidget* target = nullptr)
    {
        QWidget* viewport = target != nullptr ? target : form->ListView1->viewport();
        const QPoint point = viewport->rect().center();
        DragAnswers answers;
        QDragEnterEvent enter(point, offered, &mime, Qt::LeftButton, Qt::NoModifier);
        enter.setDropAction(proposed);
        QCoreApplication::sendEvent(viewport, &enter);
        answers.enterAccepted = enter.isAccepted();
        QDragMoveEvent move(point, offered, &mime, Qt::LeftButton, Qt::NoModifier);
        move.setDropAction(proposed);
        QCoreApplication::sendEvent(viewport, &move);
        answers.moveAccepted = move.isAccepted();
        QDropEvent drop(point, offered, &mime, Qt::LeftButton, Qt::NoModifier);
        drop.setDropAction(proposed);
        QCoreApplication::sendEvent(viewport, &drop);
        answers.dropAccepted = drop.isAccepted();
        answers.dropAction = drop.dropAction();
        return answers;
    }

    void dropFiles(const std::vector<std::string>& paths)
    {
        const auto mime = filesMime(paths);
        QVERIFY(drag(*mime).dropAccepted);
    }

private slots:
    void init()
    {
        temp = std::make_unique<TemporaryDirectory>();
        dir = temp->path();
        std::filesystem::create_directories(dir + "/相册/sub");
        for (const char* name : {"相册/img10.jpg", "相册/img2.jpg", "相册/sub/deep.jpg", "a.txt", "旅行 北京.jpg"})
            writeFile(dir + "/" + name, name);
        form = std::make_unique<Form1>(std::make_unique<PosixFileSystem>(), makePcre2RegularExpression);
        modelTester = std::make_unique<QAbstractItemModelTester>(
            &form->listModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup()
    {
        modelTester.reset();
        form.reset();
        temp.reset();
    }

    void startsWithTheDesignTextsAndAnEmptyList()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("正则表达式 - 重命名工具"));
        QCOMPARE(form->Label2->text(), QStringLiteral("原文件名：（输入正则表达式）"));
        QCOMPARE(form->Label3->text(), QStringLiteral("新文件名：（$n:引用, ##:序号）"));
        QCOMPARE(form->Text1->text(), QStringLiteral("(.+)\\.(.+)"));
        QCOMPARE(form->Text2->text(), QStringLiteral("$1.$2"));
        QCOMPARE(form->Command1->text(), QStringLiteral("重命名(&R)"));
        QCOMPARE(form->Command2->text(), QStringLiteral("清空(&C)"));
        QCOMPARE(form->Command3->text(), QStringLiteral("退出(&X)"));
        QCOMPARE(form->Label1->text(), QStringLiteral("提示:将文件或目录拖至列表窗口"));
        QCOMPARE(form->listModel().rowCount(), 0);
        const QStringList headers = {"#", "目录", "原文件名", "新文件名"};
        for (int column = 0; column < headers.size(); ++column)
            QCOMPARE(form->listModel().headerData(column, Qt::Horizontal).toString(), headers[column]);
    }

    void theListTakesTheFirstFocusAndTabFollowsTheDesignOrder()
    {
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->ListView1));
        const QWidget* expected[] = {form->Text1, form->Text2, form->Command1, form->Command2, form->Command3,
                                     form->ListView1};
        for (const QWidget* next : expected) {
            QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void aDropOfFilesAndAFolderAddsRowsReportsAndPreviews()
    {
        const auto mime = filesMime({dir + "/a.txt", dir + "/相册", dir + "/旅行 北京.jpg"});
        SignalLog log(form->listModel());
        const DragAnswers answers = drag(*mime);
        QVERIFY(answers.enterAccepted);
        QVERIFY(answers.moveAccepted);
        QVERIFY(answers.dropAccepted);
        QCOMPARE(answers.dropAction, Qt::CopyAction);
        QCOMPARE(log.lines, (QStringList{"insert 0..3"}));

        QCOMPARE(form->listModel().rowCount(), 4);
        const QStringList names = {"a.txt", "img2.jpg", "img10.jpg", "旅行 北京.jpg"};
        for (int row = 0; row < names.size(); ++row) {
            QCOMPARE(cell(row, ColumnKey::Id), QString::number(row + 1));
            QCOMPARE(cell(row, ColumnKey::FileName), names[row]);
            QCOMPARE(cell(row, ColumnKey::NewName), names[row]);
        }
        QCOMPARE(cell(1, ColumnKey::Path), QString::fromStdString(dir + "/相册"));
        QCOMPARE(form->Label1->text(), QStringLiteral("4个文件已加入列表"));
        QVERIFY(std::filesystem::exists(dir + "/a.txt")); // a drop never moves the files
    }

    void aDragThatOnlyOffersAMoveIsRefused()
    {
        const auto mime = filesMime({dir + "/a.txt"});
        const DragAnswers answers = drag(*mime, Qt::MoveAction, Qt::MoveAction);
        QVERIFY(!answers.enterAccepted);
        QVERIFY(!answers.dropAccepted);
        QCOMPARE(form->listModel().rowCount(), 0);
    }

    void dragsWithoutLocalFilesAreRefused()
    {
        QMimeData text;
        text.setText(QString::fromStdString(dir + "/a.txt"));
        QMimeData link;
        link.setUrls({QUrl("https://example.com/a.txt")});
        for (const QMimeData* mime : {&text, &link}) {
            const DragAnswers answers = drag(*mime);
            QVERIFY(!answers.enterAccepted);
            QVERIFY(!answers.moveAccepted);
            QVERIFY(!answers.dropAccepted);
        }
        QCOMPARE(form->listModel().rowCount(), 0);
        QCOMPARE(form->Label1->text(), Form1::kStartupHint);
    }

    void everyEditOfTheTextsRerunsThePreview()
    {
        dropFiles({dir + "/a.txt", dir + "/旅行 北京.jpg"});
        form->Text2->clear();
        SignalLog log(form->listModel());
        QTest::keyClicks(form->Text2, "n##");
        QCOMPARE(log.lines.filter("text").size(), 3);
        QCOMPARE(cell(1, ColumnKey::NewName), QStringLiteral("n02"));
        QTest::keyClick(form->Text2, Qt::Key_Backspace);
        QCOMPARE(cell(1, ColumnKey::NewName), QStringLiteral("n2"));

        QGuiApplication::clipboard()->setText(QStringLiteral(".$2"));
        form->Text2->paste();
        QCOMPARE(form->Text2->text(), QStringLiteral("n#.$2"));
        QCOMPARE(cell(0, ColumnKey::NewName), QStringLiteral("n1.txt"));

        QTest::keyClicks(form->Text1, "#");
        QCOMPARE(form->Text1->text(), QStringLiteral("(.+)\\.(.+)#"));
        QCOMPARE(cell(0, ColumnKey::NewName), QStringLiteral("n1.txt")); // a name that no longer matches keeps its proposal
    }

    void aChineseInputMethodCommitRerunsThePreview()
    {
        dropFiles({dir + "/a.txt"});
        form->Text2->setFocus();
        form->Text2->selectAll();
        QInputMethodEvent preedit(QStringLiteral("zhaopian"), {});
        QCoreApplication::sendEvent(form->Text2, &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("照片#.$2"));
        QCoreApplication::sendEvent(form->Text2, &commit);
        QCOMPARE(form->Text2->text(), QStringLiteral("照片#.$2"));
        QCOMPARE(cell(0, ColumnKey::NewName), QStringLiteral("照片1.txt"));
    }

    void theRenameButtonRenamesOnDiskAndReportsTheCount()
    {
        dropFiles({dir + "/相册", dir + "/a.txt"});
        form->Text2->setText(QStringLiteral("photo_##.$2"));
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(form->Label1->text(), QStringLiteral("3个文件已重命名"));
        QCOMPARE(cell(0, ColumnKey::FileName), QStringLiteral("photo_01.jpg"));
        QCOMPARE(cell(0, ColumnKey::NewName), QString());
        QCOMPARE(snapshot(dir + "/相册"),
                 (std::map<std::string, std::string>{
                     {"photo_01.jpg", "相册/img2.jpg"}, {"photo_02.jpg", "相册/img10.jpg"}, {"sub", ""}}));
        QVERIFY(std::filesystem::exists(dir + "/photo_03.txt"));
    }

    void aLongBatchShowsItsRowsAsItGoesBusyAndTakesNothingElseMeanwhile()
    {
        // Every row reports, as a batch of thousands does every 50 ms.
        form->setProgressInterval(std::chrono::milliseconds(0));
        dropFiles({dir + "/相册", dir + "/a.txt"});
        form->Text2->setText(QStringLiteral("photo_##.$2"));
        const auto laterDrop = filesMime({dir + "/旅行 北京.jpg"});
        QStringList during;
        int handledWhileBusy = 0;
        SignalLog log(form->listModel());
        QObject context;
        connect(&form->listModel(), &QAbstractItemModel::dataChanged, &context, [&](const QModelIndex& topLeft) {
            if (!form->isBusy())
                return;
            const QCursor* cursor = QApplication::overrideCursor();
            during.append(QStringLiteral("row %1 %2 %3 cursor %4")
                              .arg(topLeft.row())
                              .arg(cell(topLeft.row(), ColumnKey::FileName))
                              .arg(cell(topLeft.row() + 1, ColumnKey::FileName))
                              .arg(cursor != nullptr && cursor->shape() == Qt::WaitCursor ? "busy" : "none"));
            QVERIFY2(!form->close(), "the window stays until the batch has ended");
            QVERIFY2(!drag(*laterDrop).dropAccepted, "the list takes no drop meanwhile");
            emit form->folderWatch().foldersChanged({dir + "/相册"});
            QVERIFY2(form->folderWatch().isReportPending(), "a change outside is read after the batch");
            // What is not user input, such as repaints, is handled meanwhile.
            QMetaObject::invokeMethod(
                &context, [&] { handledWhileBusy += form->isBusy(); }, Qt::QueuedConnection);
        });
        QTest::mouseClick(form->Command1, Qt::LeftButton);

        QCOMPARE(during, (QStringList{"row 0 photo_01.jpg img10.jpg cursor busy",
                                      "row 1 photo_02.jpg a.txt cursor busy"}));
        QCOMPARE(log.take().mid(0, 2), (QStringList{"text 0,2..0,3", "text 1,2..1,3"}));
        QVERIFY(handledWhileBusy >= 1);
        QVERIFY(!form->isBusy());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(form->isVisible());
        QCOMPARE(form->Label1->text(), QStringLiteral("3个文件已重命名"));
        QCOMPARE(form->listModel().rowCount(), 3);
        QVERIFY(drag(*laterDrop).dropAccepted);
        QCOMPARE(form->listModel().rowCount(), 4);
    }

    void clicksAndKeysDuringALongBatchTakeEffectOnceItHasEnded()
    {
        form->setProgressInterval(std::chrono::milliseconds(0));
        dropFiles({dir + "/相册", dir + "/a.txt"});
        form->Text2->setText(QStringLiteral("photo_##.$2"));
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QWindow* window = form->windowHandle();
        QStringList during;
        QObject context;
        connect(&form->listModel(), &QAbstractItemModel::dataChanged, &context, [&] {
            if (!form->isBusy())
                return;
            if (during.isEmpty()) { // as the desktop sends them, into the window system's queue
                const auto click = [window, this](QWidget* target) {
                    const QPointF at = target->mapTo(form.get(), target->rect().center());
                    QWindowSystemInterface::handleMouseEvent(window, at, at, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
                    QWindowSystemInterface::handleMouseEvent(window, at, at, {}, Qt::LeftButton, QEvent::MouseButtonRelease);
                };
                click(form->Text1);
                QWindowSystemInterface::handleKeyEvent(window, QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, "z");
                click(form->Command2);
            }
            during.append(QStringLiteral("%1 rows, %2").arg(form->listModel().rowCount()).arg(form->Text1->text()));
        });
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(during, QStringList(2, QStringLiteral("3 rows, (.+)\\.(.+)")));
        QCOMPARE(form->Label1->text(), QStringLiteral("3个文件已重命名"));

        QTRY_COMPARE(form->listModel().rowCount(), 0);
        QCOMPARE(form->Text1->text(), QStringLiteral("(.+)\\.(.+)z"));
        QCOMPARE(form->Label1->text(), Form1::kStartupHint);
    }

    void assistiveTechnologyReadsTheCaptionsAndTheReasonsAndHearsTheStatus()
    {
        QPlatformAccessibility* platformAccessibility = QGuiApplicationPrivate::platformIntegration()->accessibility();
        platformAccessibility->setActive(true); // as when a screen reader runs
        announced.clear();
        const QAccessible::UpdateHandler platform = QAccessible::installUpdateHandler(recordAnnouncement);
        writeFile(dir + "/b.txt", "b");
        dropFiles({dir + "/a.txt", dir + "/b.txt"});
        form->Text1->setText(QStringLiteral("a"));
        form->Text2->setText(QStringLiteral("b"));

        const auto name = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); };
        QCOMPARE(name(form->Text1), QStringLiteral("原文件名：（输入正则表达式）"));
        QCOMPARE(name(form->Text2), QStringLiteral("新文件名：（$n:引用, ##:序号）"));
        QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(form->ListView1)->tableInterface();
        const auto description = [&](int row, std::string_view key) {
            return table->cellAt(row, form->listModel().columnOf(key))->text(QAccessible::Description);
        };
        QCOMPARE(description(0, ColumnKey::FileName), QStringLiteral("目录中已有同名文件"));
        QCOMPARE(description(1, ColumnKey::NewName), QStringLiteral("新文件名与原文件名相同"));
        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(form->Label1);
        QCOMPARE(status->role(), QAccessible::StatusBar);
        QCOMPARE(status->text(QAccessible::Name), QStringLiteral("2个文件已加入列表"));

        for (int press = 0; press < 2; ++press) { // the same failure twice is news twice
            MessageBoxCloser box;
            QTest::mouseClick(form->Command1, Qt::LeftButton);
        }
        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QAccessible::installUpdateHandler(platform);
        platformAccessibility->setActive(false);
        const QString failure = QStringLiteral("将\"a.txt\"重命名为\"b.txt\"时出错：文件已存在");
        QCOMPARE(announced, (QStringList{"2个文件已加入列表", failure, failure, Form1::kStartupHint}));
    }

    void aFailingBatchShowsTheMessageInABoxAndOnTheStatusLine()
    {
        dropFiles({dir + "/a.txt", dir + "/旅行 北京.jpg"});
        form->Text2->setText(QStringLiteral("same"));
        MessageBoxCloser box;
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        const QString message = QStringLiteral("将\"旅行 北京.jpg\"重命名为\"same\"时出错：文件已存在");
        QCOMPARE(box.text, message);
        QCOMPARE(box.title, Form1::kTitle);
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, 1);
        QCOMPARE(form->Label1->text(), message);
        QCOMPARE(cell(0, ColumnKey::FileName), QStringLiteral("same"));
        QCOMPARE(cell(1, ColumnKey::FileName), QStringLiteral("旅行 北京.jpg")); // the failing row keeps its cells
        QCOMPARE(cell(1, ColumnKey::NewName), QStringLiteral("same"));
        QCOMPARE(snapshot(dir).at("same"), "a.txt");
        QCOMPARE(snapshot(dir).at("旅行 北京.jpg"), "旅行 北京.jpg");
    }

    void aNameWithALineBreakIsShownWithItVisibleInTheMessage()
    {
        writeFile(dir + "/two\nlines.txt", "x");
        dropFiles({dir + "/two\nlines.txt"});
        std::filesystem::remove(dir + "/two\nlines.txt");
        MessageBoxCloser box;
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        const QString message = QStringLiteral("将\"two\\nlines.txt\"重命名为\"two\\nlines.txt\"时出错：文件未找到");
        QCOMPARE(box.text, message);
        QCOMPARE(form->Label1->text(), message);
    }

    void everyActionSignalsExactlyTheRowsAndColumnsItChanged()
    {
        // Columns in view order: 0 ID, 1 Path, 2 FileName, 3 NewName.
        dropFiles({dir + "/a.txt", dir + "/旅行 北京.jpg"});
        SignalLog log(form->listModel());

        // "(.+)\.(.+)t" still matches a.txt only: its proposal and its grey
        // "unchanged" cue go; with a new pattern, every name's tints may move.
        QTest::keyClick(form->Text1, Qt::Key_T);
        QCOMPARE(log.take(), (QStringList{"text 0,3..0,3", "tint 0,2..1,2", "cue 0,0..0,3"}));
        QCOMPARE(cell(0, ColumnKey::NewName), QStringLiteral("a.tx"));

        dropFiles({dir + "/相册"});
        QCOMPARE(log.take(), (QStringList{"insert 2..3"}));

        // Row 2's file goes behind the window's back: the batch renames row
        // 1 and stops at row 2, whose cue then tells why.
        std::filesystem::remove(dir + "/旅行 北京.jpg");
        {
            MessageBoxCloser box;
            QTest::mouseClick(form->Command1, Qt::LeftButton);
            QCOMPARE(box.text, QStringLiteral("将\"旅行 北京.jpg\"重命名为\"旅行 北京.jpg\"时出错：文件未找到"));
        }
        QCOMPARE(log.take(), (QStringList{"text 0,2..0,3", "cue 1,0..1,3"}));

        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QCOMPARE(log.take(), (QStringList{"reset"}));
    }

    void clearEmptiesTheListAndRestoresTheHint()
    {
        dropFiles({dir + "/a.txt"});
        form->Text1->setText(QStringLiteral("a"));
        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QCOMPARE(form->listModel().rowCount(), 0);
        QCOMPARE(form->Label1->text(), Form1::kStartupHint);
        QCOMPARE(form->Text1->text(), QStringLiteral("a"));
        dropFiles({dir + "/a.txt"});
        QCOMPARE(cell(0, ColumnKey::Id), QStringLiteral("1"));
    }

    void accessKeysPressTheButtons()
    {
        dropFiles({dir + "/a.txt"});
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        // An access key presses its button the way a click does, after the
        // button has been drawn pressed for a moment.
        QTest::keyClick(form->windowHandle(), Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(form->listModel().rowCount(), 0);
        QTest::keyClick(form->windowHandle(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(form->Label1->text(), QStringLiteral("0个文件已重命名"));
        QTest::keyClick(form->windowHandle(), Qt::Key_X, Qt::AltModifier);
        QTRY_VERIFY(!form->isVisible());
    }

    void theListReactsToNothingButSelection()
    {
        dropFiles({dir + "/a.txt", dir + "/旅行 北京.jpg"});
        QHeaderView* header = form->ListView1->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QCOMPARE(cell(0, ColumnKey::FileName), QStringLiteral("a.txt")); // no sorting
        const QRect second = form->ListView1->visualRect(form->listModel().index(1, 2));
        QTest::mouseClick(form->ListView1->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(form->ListView1->viewport(), Qt::LeftButton, {}, second.center());
        QVERIFY(form->ListView1->findChildren<QLineEdit*>().isEmpty()); // no editor opens
        QTest::keyClick(form->ListView1, Qt::Key_Delete);
        QTest::keyClick(form->ListView1, Qt::Key_F2);
        QCOMPARE(form->listModel().rowCount(), 2);
        QCOMPARE(form->ListView1->selectionModel()->selectedRows().size(), 1);
    }

    void aCaptionWiderThanItsPlaceGrowsToTheRightUpToTheNextControl()
    {
        // Points more than the window's font: room enough to show it whole, or not.
        for (const qreal larger : {2.0, 8.0}) {
            QFont font = form->font();
            font.setPointSizeF(QApplication::font().pointSizeF() + larger);
            form->setFont(font);
            for (const auto& [caption, next] : {std::pair<QLabel*, QWidget*>{form->Label2, form->Label3},
                                                {form->Label3, form->Command1}}) {
                QVERIFY(caption->sizeHint().width() > 185); // wider than its design width
                QCOMPARE(caption->width(), std::min(caption->sizeHint().width(), next->x() - caption->x()));
            }
        }
        QCOMPARE(form->Label3->geometry().topLeft(), QPoint(256, 12)); // the design's place
    }

    void theLayoutFollowsTheWindowAndThePathColumnStaysHidden()
    {
        // 15 twips to a pixel: the design client area is 609 by 455 pixels.
        QCOMPARE(form->size(), QSize(609, 455));
        QCOMPARE(form->ListView1->geometry(), QRect(16, 72, 577, 337));
        QCOMPARE(form->Command2->geometry(), QRect(416, 416, 81, 25));
        QCOMPARE(form->Command3->geometry(), QRect(512, 416, 81, 25));
        QCOMPARE(form->Label1->geometry(), QRect(16, 424, 393, 17));
        QCOMPARE(form->Command1->geometry(), QRect(496, 16, 97, 41));
        QHeaderView* header = form->ListView1->horizontalHeader();
        const FileListModel& model = form->listModel();
        QCOMPARE(header->sectionSize(model.columnOf(ColumnKey::Id)), 33);
        QCOMPARE(header->sectionSize(model.columnOf(ColumnKey::Path)), 0);
        QCOMPARE(header->sectionSize(model.columnOf(ColumnKey::FileName)), 255);
        QCOMPARE(header->sectionSize(model.columnOf(ColumnKey::NewName)), 255);

        header->resizeSection(model.columnOf(ColumnKey::Path), 120); // dragged open by the user
        form->resize(609 + 100, 455); // 1500 twips wider
        QCOMPARE(form->ListView1->geometry(), QRect(16, 72, 677, 337));
        QCOMPARE(form->Command2->geometry(), QRect(516, 416, 81, 25));
        QCOMPARE(form->Command3->geometry(), QRect(612, 416, 81, 25));
        QCOMPARE(form->Command1->geometry(), QRect(496, 16, 97, 41));
        QCOMPARE(header->sectionSize(model.columnOf(ColumnKey::FileName)), 305);
        QCOMPARE(header->sectionSize(model.columnOf(ColumnKey::Path)), 0);
        QCOMPARE(form->layout().newNameColumnWidth, 3827.5f + 750);
    }

    void aRowThatWouldFailIsDrawnRedWithItsReasonAndNothingElseChanges()
    {
        dropFiles({dir + "/a.txt", dir + "/旅行 北京.jpg", dir + "/相册/img2.jpg"});
        const FileListModel& model = form->listModel();
        const int newName = model.columnOf(ColumnKey::NewName);
        QCOMPARE(model.data(model.index(0, newName), Qt::ForegroundRole).value<QColor>(), QColor(0x90, 0x90, 0x90));
        QCOMPARE(model.data(model.index(0, newName), Qt::ToolTipRole).toString(), QStringLiteral("新文件名与原文件名相同"));

        form->Text1->setText(QStringLiteral("^(a|旅行 北京)\\.(.+)$"));
        form->Text2->setText(QStringLiteral("same"));
        QCOMPARE(cell(0, ColumnKey::NewName), QStringLiteral("same"));
        QCOMPARE(cell(1, ColumnKey::NewName), QStringLiteral("same"));
        QCOMPARE(cell(2, ColumnKey::NewName), QStringLiteral("img2.jpg"));
        QCOMPARE(form->Label1->text(), QStringLiteral("3个文件已加入列表"));
        QCOMPARE(model.data(model.index(1, 0), Qt::ToolTipRole).toString(), QStringLiteral("与第 1 行的新文件名相同"));
        QVERIFY(!model.data(model.index(0, newName), Qt::ForegroundRole).isValid());

        // What the user sees: red text in the second row and none in the first.
        QCoreApplication::processEvents();
        const QImage drawn = form->ListView1->viewport()->grab().toImage();
        const auto redPixels = [&drawn](const QRect& area) {
            int count = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QColor pixel = drawn.pixelColor(x, y);
                    count += pixel.red() > 150 && pixel.green() < 90 && pixel.blue() < 90 ? 1 : 0;
                }
            return count;
        };
        QVERIFY(redPixels(form->ListView1->visualRect(model.index(1, newName))) > 0);
        QCOMPARE(redPixels(form->ListView1->visualRect(model.index(0, newName))), 0);

        // The batch does exactly what it would without the cues.
        {
            MessageBoxCloser box;
            QTest::mouseClick(form->Command1, Qt::LeftButton);
        }
        QCOMPARE(form->Label1->text(), QStringLiteral("将\"旅行 北京.jpg\"重命名为\"same\"时出错：文件已存在"));
        QCOMPARE(cell(0, ColumnKey::FileName), QStringLiteral("same"));
        QCOMPARE(model.data(model.index(1, 0), Qt::ToolTipRole).toString(), QStringLiteral("目录中已有同名文件"));
    }

    void tabLeavesAFilledListInTheDesignOrder()
    {
        dropFiles({dir + "/a.txt", dir + "/旅行 北京.jpg"});
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const QRect second = form->ListView1->visualRect(form->listModel().index(1, 2));
        QTest::mouseClick(form->ListView1->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->ListView1));
        QTest::keyClick(form->windowHandle(), Qt::Key_Up);
        QCOMPARE(form->ListView1->currentIndex().row(), 0); // arrows still move within the list
        QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->Text1));
        QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->Text2));

        form->ListView1->setFocus();
        QTest::keyClick(form->windowHandle(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->Command3));
    }

    void aProposalLeftFromAnEarlierPatternIsCuedUntilThePatternMatchesAgain()
    {
        dropFiles({dir + "/a.txt", dir + "/旅行 北京.jpg"});
        form->Text2->setText(QStringLiteral("$1_old.$2"));
        form->Text1->setText(QStringLiteral("^(a)\\.(.+)$"));
        const FileListModel& model = form->listModel();
        const QModelIndex stale = model.index(1, model.columnOf(ColumnKey::NewName));
        QCOMPARE(stale.data().toString(), QStringLiteral("旅行 北京_old.jpg"));
        QCOMPARE(stale.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("当前表达式不匹配此文件；新文件名来自之前的表达式"));
        QCOMPARE(model.index(1, 0).data(Qt::ToolTipRole).toString(), stale.data(Qt::ToolTipRole).toString());
        QCOMPARE(stale.data(Qt::ForegroundRole).value<QColor>(), QColor(0xA0, 0x5A, 0x00));
        QVERIFY(stale.data(Qt::FontRole).value<QFont>().italic());
        const QModelIndex fresh = model.index(0, model.columnOf(ColumnKey::NewName));
        QVERIFY(!fresh.data(Qt::ToolTipRole).isValid());
        QVERIFY(!fresh.data(Qt::ForegroundRole).isValid());

        SignalLog log(model);
        form->Text1->setText(QStringLiteral("^(a|旅行 北京)\\.(.+)$"));
        QVERIFY(!stale.data(Qt::ToolTipRole).isValid());
        QVERIFY(!stale.data(Qt::FontRole).isValid());
        QCOMPARE(log.lines.filter("cue"), (QStringList{"cue 1,0..1,3"}));
    }

    void changesMadeOutsideReachTheCuesOnceTheWatchReportsThem()
    {
        QCOMPARE(form->folderWatch().watched(), std::vector<std::string>{});
        dropFiles({dir + "/相册"}); // img2.jpg, img10.jpg
        form->Text2->setText(QStringLiteral("$1_x.$2"));
        QCOMPARE(form->folderWatch().watched(), (std::vector<std::string>{dir + "/相册"}));
        QVERIFY(!form->folderWatch().isReportPending());
        for (const QTimer* timer : form->findChildren<QTimer*>())
            QVERIFY2(!timer->isActive(), "no timer runs while nothing changes");
        const FileListModel& model = form->listModel();
        QVERIFY(!model.index(0, 0).data(Qt::ToolTipRole).isValid());

        SignalLog log(model);
        writeFile(dir + "/相册/img2_x.jpg", "made by another program");
        QTRY_COMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("目录中已有同名文件"));
        QCOMPARE(model.index(0, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(0xC0, 0x00, 0x00));
        QCOMPARE(log.take(), (QStringList{"cue 0,0..0,3"}));
        QVERIFY(!model.index(1, 0).data(Qt::ToolTipRole).isValid());

        std::filesystem::remove(dir + "/相册/img10.jpg");
        QTRY_COMPARE(model.index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("原文件已不存在"));
        QCOMPARE(log.take(), (QStringList{"cue 1,0..1,3"}));
        QTRY_VERIFY(!form->folderWatch().isReportPending());

        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QCOMPARE(form->folderWatch().watched(), std::vector<std::string>{});
    }

    void aFolderThatNeverRestsIsReportedAtMostOncePerInterval()
    {
        constexpr int kIntervalMs = 100;
        FolderWatch watch{std::chrono::milliseconds(kIntervalMs)};
        watch.watch({dir});
        QSignalSpy reports(&watch, &FolderWatch::foldersChanged);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; clock.elapsed() < 10 * kIntervalMs; ++i) {
            writeFile(dir + "/busy" + std::to_string(i % 5), std::to_string(i));
            std::filesystem::remove(dir + "/busy" + std::to_string((i + 2) % 5));
            QTest::qWait(5);
        }
        const qint64 busyFor = clock.elapsed();
        QTRY_VERIFY(!watch.isReportPending());
        QVERIFY2(reports.size() >= 2, "a folder that keeps changing is reported more than once");
        QVERIFY2(reports.size() <= busyFor / kIntervalMs + 2, qPrintable(QString::number(reports.size())));
        for (const QList<QVariant>& report : reports)
            QCOMPARE(report.at(0).value<std::vector<std::string>>(), std::vector<std::string>{dir});

        // Nothing changes: no report, no timer.
        const auto before = reports.size();
        QTest::qWait(2 * kIntervalMs);
        QCOMPARE(reports.size(), before);
        QVERIFY(!watch.isReportPending());
    }

    void filesDraggedOntoATextBoxAreRefusedAndPlainTextStillDrops()
    {
        // As a file manager offers files: their addresses, and the same as text.
        auto files = filesMime({dir + "/a.txt"});
        files->setText(fileUrl(dir + "/a.txt").toString() + "\r\n");
        for (QLineEdit* box : {form->Text1, form->Text2}) {
            const QString before = box->text();
            const DragAnswers answers = drag(*files, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction, box);
            QVERIFY(!answers.enterAccepted);
            QVERIFY(!answers.dropAccepted);
            QCOMPARE(box->text(), before);
        }
        QCOMPARE(form->listModel().rowCount(), 0);

        QMimeData text;
        text.setText(QStringLiteral("_copy"));
        form->Text2->setText(QStringLiteral("$1.$2"));
        const DragAnswers answers = drag(text, Qt::CopyAction, Qt::CopyAction, form->Text2);
        QVERIFY(answers.dropAccepted);
        QVERIFY(form->Text2->text().contains(QStringLiteral("_copy")));
    }

    void aFailureNamingALongFileFitsTheScreenWithItsWholeText()
    {
        const std::string longName = std::string(251, 'a') + ".txt"; // 255 bytes, the longest name there is
        writeFile(dir + "/" + longName, "");
        dropFiles({dir + "/" + longName});
        form->Text1->setText(QStringLiteral("^(.+)$"));
        form->Text2->setText(QStringLiteral("$1x"));
        MessageBoxCloser box;
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        const QString name = QString::fromStdString(longName);
        const QString message = "将\"" + name + "\"重命名为\"" + name + "x\"时出错：文件名过长";
        QCOMPARE(box.text, message);
        QCOMPARE(box.screen.width(), 800); // the offscreen screen is 800 by 600
        QVERIFY2(box.screen.contains(box.frame), qPrintable(QStringLiteral("box at %1,%2 %3x%4")
                                                                .arg(box.frame.x())
                                                                .arg(box.frame.y())
                                                                .arg(box.frame.width())
                                                                .arg(box.frame.height())));
        QCOMPARE(box.shownText, message);
        QVERIFY(box.shownHeight >= box.neededHeight); // every wrapped line is inside the box
        QCOMPARE(form->Label1->text(), message);
    }

    void theExitButtonClosesTheWindow()
    {
        QTest::mouseClick(form->Command3, Qt::LeftButton);
        QVERIFY(!form->isVisible());
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
