#include "Form1.h"

#include "FileDragRefusal.h"
#include "FileDropListView.h"
#include "FileListDelegate.h"
#include "FileListModel.h"
#include "FolderWatch.h"
#include "LongAction.h"
#include "StatusLine.h"
#include "UserTexts.h"
#include "VisibleText.h"
#include "WrappedMessageText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace renamer {

const QString Form1::kTitle = QStringLiteral("正则表达式 - 重命名工具");
const QString Form1::kStartupHint
    = QString::fromUtf8(renamer::kStartupHint.data(), static_cast<qsizetype>(renamer::kStartupHint.size()));

namespace {

int toPixels(float twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

void place(QWidget* control, const TwipRect& rect)
{
    control->setGeometry(toPixels(rect.left), toPixels(rect.top), toPixels(rect.width), toPixels(rect.height));
}

// Widens `label` to its text's width, up to `rightLimit` (in its parent's pixels).
void widenToFit(QLabel* label, int rightLimit)
{
    const int wanted = label->sizeHint().width();
    if (wanted > label->width())
        label->resize(std::min(wanted, std::max(label->width(), rightLimit - label->x())), label->height());
}

std::string toUtf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

Form1::Form1(std::unique_ptr<FileSystem> fileSystem, RegularExpressionFactory makeRegularExpression,
             QWidget* parent)
    : QWidget(parent)
    , fileSystem_(std::move(fileSystem))
    , session_(*fileSystem_, std::move(makeRegularExpression))
    , layout_(designLayout())
{
    setWindowTitle(kTitle);
    createControls();
    resize(toPixels(kDesignClientWidth), toPixels(kDesignClientHeight));
    Form_Load();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    Label2 = new QLabel(QStringLiteral("原文件名：（输入正则表达式）"), this);
    Label3 = new QLabel(QStringLiteral("新文件名：（$n:引用, ##:序号）"), this);
    Command1 = new QPushButton(QStringLiteral("重命名(&R)"), this);
    Text1 = new QLineEdit(QStringLiteral("(.+)\\.(.+)"), this);
    Text2 = new QLineEdit(QStringLiteral("$1.$2"), this);
    ListView1 = new FileDropListView(this);
    Command2 = new QPushButton(QStringLiteral("清空(&C)"), this);
    Command3 = new QPushButton(QStringLiteral("退出(&X)"), this);
    Label1 = new StatusLine(kStartupHint, this);
    for (QLabel* label : {Label2, Label3})
        label->setTextFormat(Qt::PlainText);
    // Each caption names its box for assistive technology.
    Label2->setBuddy(Text1);
    Label3->setBuddy(Text2);
    for (QPushButton* button : {Command1, Command2, Command3})
        button->setAutoDefault(false);
    auto* refusal = new FileDragRefusal(this);
    for (QLineEdit* box : {Text1, Text2})
        box->installEventFilter(refusal);
    folderWatch_ = new FolderWatch(kFolderRefreshInterval, this);

    // Focus order of the design: the list first, then the boxes and buttons.
    setTabOrder(ListView1, Text1);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);

    // Connected after the design texts are in place, so that they do not
    // count as an edit and no preview runs at start-up.
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(ListView1, &FileDropListView::filesDropped, this, &Form1::ListView1_OLEDragDrop);
    connect(folderWatch_, &FolderWatch::foldersChanged, this, [this](const std::vector<std::string>& folders) {
        // A batch changes the rows' folders itself; what changed meanwhile
        // is read once it has ended.
        if (isBusy())
            folderWatch_->reportAgainLater(folders);
        else
            showChanges(session_.foldersChanged(folders));
    });
}

void Form1::Form_Load()
{
    SetupList();
    Form_Resize();
}

void Form1::SetupList()
{
    ListView1->verticalHeader()->hide();
    ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
    ListView1->setShowGrid(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Tab leaves the list for the next control; arrows move within it.
    ListView1->setTabKeyNavigation(false);
    ListView1->setAcceptDrops(true);
    ListView1->setDragDropMode(QAbstractItemView::DropOnly);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSortingEnabled(false);
    ListView1->setWordWrap(false);
    ListView1->setCornerButtonEnabled(false);
    ListView1->horizontalHeader()->setSectionsClickable(false);
    ListView1->horizontalHeader()->setHighlightSections(false);
    ListView1->horizontalHeader()->setStretchLastSection(false);
    ListView1->horizontalHeader()->setMinimumSectionSize(0);

    model_ = new FileListModel(session_, this);
    ListView1->setModel(model_);
    longAction_ = std::make_unique<LongAction>(*model_, *ListView1);
    delegate_ = new FileListDelegate(session_, *model_, this);
    ListView1->setItemDelegate(delegate_);
}

bool Form1::isBusy() const
{
    return longAction_->running();
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Captions fit their text anew, once there is a layout.
    if (event->type() == QEvent::FontChange && model_ != nullptr)
        applyLayout();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closed in the middle of a batch, the window would be gone while the
    // batch goes on renaming; it closes once the batch has ended.
    if (isBusy()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ListView1->setFocus(Qt::OtherFocusReason);
}

void Form1::Form_Resize()
{
    layout_ = layOutForClientSize(static_cast<float>(width()) * kTwipsPerPixel,
                                  static_cast<float>(height()) * kTwipsPerPixel, layout_);
    applyLayout();
}

void Form1::applyLayout()
{
    // A caption keeps its place but is never cut: where the theme's font
    // makes its text wider than the design, it grows to the right, as far
    // as the next control in its line leaves room.
    place(Label2, layout_.label2);
    place(Label3, layout_.label3);
    widenToFit(Label2, Label3->x());
    widenToFit(Label3, toPixels(layout_.command1.left));
    place(Command1, layout_.command1);
    place(Text1, layout_.text1);
    place(Text2, layout_.text2);
    place(ListView1, layout_.listView1);
    place(Command2, layout_.command2);
    place(Command3, layout_.command3);
    place(Label1, layout_.label1);

    const std::pair<std::string_view, float> widths[] = {
        {ColumnKey::Id, layout_.idColumnWidth},
        {ColumnKey::Path, layout_.pathColumnWidth},
        {ColumnKey::FileName, layout_.fileNameColumnWidth},
        {ColumnKey::NewName, layout_.newNameColumnWidth},
    };
    for (const auto& [key, twips] : widths)
        ListView1->horizontalHeader()->resizeSection(model_->columnOf(key), toPixels(twips));
}

std::string Form1::patternText() const
{
    return toUtf8(Text1->text());
}

std::string Form1::replacementText() const
{
    return toUtf8(Text2->text());
}

void Form1::showChanges(const ChangeSet& changes)
{
    model_->show(changes);
    if (changes.cleared || !changes.appended.empty())
        folderWatch_->watch(session_.folders());
    if (changes.statusText)
        Label1->announce(QString::fromStdString(withVisibleControls(*changes.statusText)));
    if (changes.failureMessage) {
        QMessageBox box(QMessageBox::NoIcon, kTitle, QString::fromStdString(withVisibleControls(*changes.failureMessage)),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText); // a name such as "<b>.txt" is shown as it is
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        wrapAnywhere(box);
        box.exec();
        // Without a window manager nobody hands the focus back to the window,
        // and its access keys would stop working.
        activateWindow();
    }
}

void Form1::Text1_Change()
{
    showChanges(session_.edit(patternText(), replacementText()));
}

void Form1::Text2_Change()
{
    showChanges(session_.edit(patternText(), replacementText()));
}

void Form1::ListView1_OLEDragDrop(const std::vector<std::string>& paths)
{
    if (isBusy())
        return; // the list takes no drops while a drop or batch runs
    showChanges(longAction_->run([&](const Progress::Listener& progress) {
        return session_.drop(paths, patternText(), replacementText(), progress);
    }));
}

void Form1::Command1_Click()
{
    showChanges(longAction_->run([this](const Progress::Listener& progress) { return session_.apply(progress); }));
}

void Form1::Command2_Click()
{
    showChanges(session_.clear());
}

void Form1::Command3_Click()
{
    close();
    QCoreApplication::quit();
}

} // namespace renamer
