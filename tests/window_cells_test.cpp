// Drives the real window offscreen and looks at how the list draws its
// cells: the tints behind what the pattern matched and what changes, names
// shortened in the middle with their whole text in the tooltip, row numbers
// that fit, and spans worked out only for the rows on screen.
#include "VisibleText.h"
#include "CellColors.h"
#include "FileDropListView.h"
#include "FileListDelegate.h"
#include "FileListModel.h"
#include "FolderWatch.h"
#include "Form1.h"
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "ShapedTexts.h"
#include "TemporaryDirectory.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextLayout>
#include <QTest>
#include <QToolTip>

#include <filesystem>
#include <memory>
#include <set>

using namespace renamer;
using renamer::test_support::TemporaryDirectory;
using renamer::test_support::writeFile;

namespace {

// PCRE2's regular expression, noting every name a search begins on.
class SearchNoting final : public RegularExpression {
public:
    SearchNoting(std::unique_ptr<RegularExpression> inner, std::vector<std::string>& searched)
        : inner_(std::move(inner))
        , searched_(searched)
    {
    }
    int captureGroupCount() const override { return inner_->captureGroupCount(); }
    const std::vector<NamedGroup>& namedGroups() const override { return inner_->namedGroups(); }
    std::size_t shortestMatch() const override { return inner_->shortestMatch(); }
    std::unique_ptr<Matcher> makeMatcher() const override
    {
        return std::make_unique<NotingMatcher>(inner_->makeMatcher(), searched_);
    }

    static RegularExpressionFactory factory(std::vector<std::string>& searched)
    {
        return [&searched](std::string_view pattern, PatternOptions options) -> CompiledPattern {
            CompiledPattern compiled = makePcre2RegularExpression(pattern, options);
            if (!compiled)
                return compiled;
            return std::make_unique<SearchNoting>(std::move(*compiled), searched);
        };
    }

private:
    class NotingMatcher final : public Matcher {
    public:
        NotingMatcher(std::unique_ptr<Matcher> inner, std::vector<std::string>& searched)
            : inner_(std::move(inner))
            , searched_(searched)
        {
        }
        Result<bool> find(std::string_view subject, std::size_t start) override
        {
            if (start == 0)
                searched_.emplace_back(subject);
            return inner_->find(subject, start);
        }
        MatchOffsets match() const override { return inner_->match(); }

    private:
        std::unique_ptr<Matcher> inner_;
        std::vector<std::string>& searched_;
    };

    std::unique_ptr<RegularExpression> inner_;
    std::vector<std::string>& searched_;
};

// The pixel columns of an image area where `tint` shows.
std::set<int> tintedColumns(const QImage& image, const QRect& area, const QColor& tint)
{
    std::set<int> columns;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (image.pixelColor(x, y) == tint) {
                columns.insert(x);
                break;
            }
    return columns;
}

// Character ranges [begin, end) of a cell's text.
using Ranges = QList<std::pair<qsizetype, qsizetype>>;

// Whether the tinted columns are those of the ranges of `text` drawn from
// `left`, give or take a pixel where text and tint blend at a range's ends.
// Whether the tinted columns are those of the pixel ranges [from, to), give
// or take a pixel at either end.
bool tintsExactlyAt(const std::set<int>& columns, const std::vector<std::pair<int, int>>& expected)
{
    for (const auto& [from, to] : expected) {
        for (int x = from + 1; x < to - 1; ++x)
            if (!columns.contains(x))
                return false;
    }
    for (const int x : columns) {
        if (std::none_of(expected.begin(), expected.end(),
                         [x](const auto& range) { return x >= range.first - 1 && x <= range.second; }))
            return false;
    }
    return true;
}

bool tintsExactly(const std::set<int>& columns, const QFontMetrics& metrics, int left, const QString& text,
                  const Ranges& ranges)
{
    std::vector<std::pair<int, int>> expected;
    for (const auto& [begin, end] : ranges)
        expected.emplace_back(left + metrics.horizontalAdvance(text.left(begin)),
                              left + metrics.horizontalAdvance(text.left(end)));
    return tintsExactlyAt(columns, expected);
}

struct TintCase {
    const char* behaviour;
    const char* name;
    const char* pattern;
    const char* replacement;
    Ranges matched; // tinted in the old name
    Ranges changed; // tinted in the new name
};

} // namespace

class WindowCellsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryDirectory> temp;
    std::unique_ptr<Form1> form;
    std::string dir;
    std::vector<std::string> spansAsked;

    const FileListModel& model() const { return form->listModel(); }
    QModelIndex at(int row, std::string_view key) const { return model().index(row, model().columnOf(key)); }

    QStyleOptionViewItem optionFor(const QModelIndex& index) const
    {
        QStyleOptionViewItem option;
        option.initFrom(form->ListView1->viewport());
        option.widget = form->ListView1;
        option.font = form->ListView1->font();
        option.rect = form->ListView1->visualRect(index);
        option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        return option;
    }

    // The tooltip a user sees on resting the mouse on the cell.
    QString toolTipShownAt(const QModelIndex& index)
    {
        // An earlier tip fades out first.
        QToolTip::hideText();
        if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
            return QStringLiteral("an earlier tooltip stays");
        QWidget* viewport = form->ListView1->viewport();
        const QPoint point = form->ListView1->visualRect(index).center();
        QHelpEvent help(QEvent::ToolTip, point, viewport->mapToGlobal(point));
        QCoreApplication::sendEvent(viewport, &help);
        const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
        QToolTip::hideText();
        return shown;
    }

    // The list as the screen shows it: what was painted, and only that.
    QImage shownList()
    {
        QCoreApplication::processEvents();
        const QRect list(form->ListView1->viewport()->mapTo(form.get(), QPoint()), form->ListView1->viewport()->size());
        return form->screen()->grabWindow(form->winId(), list.x(), list.y(), list.width(), list.height()).toImage();
    }

    QImage drawnList(bool unselected = true)
    {
        if (unselected)
            form->ListView1->clearSelection();
        form->Text1->setFocus(); // no focus frame in the list
        QCoreApplication::processEvents();
        return form->ListView1->viewport()->grab().toImage();
    }

    // Where the text of a name cell starts, as the style pads it.
    int textLeft(const QModelIndex& index) const
    {
        return form->ListView1->visualRect(index).left()
            + form->ListView1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, form->ListView1) + 1;
    }

    int advance(const QString& text) const { return form->ListView1->fontMetrics().horizontalAdvance(text); }

    void drop(const std::vector<std::string>& names)
    {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            writeFile(dir + "/" + name, "");
            paths.push_back(dir + "/" + name);
        }
        form->ListView1_OLEDragDrop(paths);
    }

private slots:
    void init()
    {
        temp = std::make_unique<TemporaryDirectory>();
        dir = temp->path();
        spansAsked.clear();
        form = std::make_unique<Form1>(std::make_unique<PosixFileSystem>(), SearchNoting::factory(spansAsked));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup()
    {
        form.reset();
        temp.reset();
    }

    void theMatchedAndTheChangedTextIsTintedAndNothingElse()
    {
        const TintCase cases[] = {
            {"a group in the middle", "IMG_2041.JPG", "_(\\d+)\\.", "-$1.", {{3, 9}}, {{3, 4}}},
            {"every match of a global pattern", "a b c.txt", " ", "_", {{1, 2}, {3, 4}}, {{1, 2}, {3, 4}}},
            {"an empty match tints nothing old and the insertion new", "a.txt", "^", "x-", {}, {{0, 2}}},
            {"numbering", "a.jpg", "^a", "p_##", {{0, 1}}, {{0, 4}}},
            {"names beyond ASCII", "旅行 北京.jpg", "北京", "上海", {{3, 5}}, {{3, 5}}},
            {"the default pattern matches everything and changes nothing", "img.png", "(.+)\\.(.+)", "$1.$2",
             {{0, 7}}, {}},
            {"a name the pattern does not match", "notes", "\\.", "_", {}, {}},
            {"a line break shows escaped and the tints follow it", "new\nline.txt", "line", "row", {{5, 9}}, {{5, 8}}},
        };
        const QPalette palette = form->ListView1->palette();
        const QFontMetrics metrics = form->ListView1->fontMetrics();
        for (const TintCase& c : cases) {
            form->Text2->clear();
            drop({c.name});
            form->Text1->setText(QString::fromUtf8(c.pattern));
            form->Text2->setText(QString::fromUtf8(c.replacement));
            const QImage drawn = drawnList();
            const QModelIndex oldName = at(0, ColumnKey::FileName);
            QCOMPARE(oldName.data().toString(), QString::fromStdString(withVisibleControls(c.name)));
            const QModelIndex newName = at(0, ColumnKey::NewName);
            const QRect oldCell = form->ListView1->visualRect(oldName);
            const QRect newCell = form->ListView1->visualRect(newName);
            QVERIFY2(tintsExactly(tintedColumns(drawn, oldCell, matchTint(palette)), metrics, textLeft(oldName),
                                  oldName.data().toString(), c.matched),
                     c.behaviour);
            QVERIFY2(tintsExactly(tintedColumns(drawn, newCell, changeTint(palette)), metrics, textLeft(newName),
                                  newName.data().toString(), c.changed),
                     c.behaviour);
            QVERIFY2(tintedColumns(drawn, newCell, matchTint(palette)).empty(), c.behaviour);
            QVERIFY2(tintedColumns(drawn, oldCell, changeTint(palette)).empty(), c.behaviour);
            QTest::mouseClick(form->Command2, Qt::LeftButton);
        }
    }

    // A Hebrew word in a name runs right to left: its last letter shows at
    // its left end. A match from there into the extension shows in two
    // pieces, and so does the tint behind it.
    void aMatchAcrossADirectionChangeIsTintedWhereItShows()
    {
        const QString word = QStringLiteral("שלום");
        drop({word.toStdString() + ".txt"});
        form->Text1->setText(QStringLiteral("ם\\.t"));
        form->Text2->setText(QStringLiteral("x"));
        const QModelIndex oldName = at(0, ColumnKey::FileName);
        const int left = textLeft(oldName);
        const int wordEnd = left + advance(word);
        const std::set<int> tinted = tintedColumns(drawnList(), form->ListView1->visualRect(oldName),
                                                   matchTint(form->ListView1->palette()));
        QVERIFY(tintsExactlyAt(tinted, {{left, left + advance(word.right(1))},
                                        {wordEnd, wordEnd + advance(QStringLiteral(".t"))}}));
    }

    void afterEveryKeystrokeTheListIsAsAFullRepaintDrawsIt()
    {
        drop({"alpha.txt", "beta.jpg", "gamma.png", "b.txt"});
        form->ListView1->setShowGrid(false); // its corners differ where two repainted areas meet
        // Over the default pattern, which tints every whole name: patterns
        // that match nothing, an empty one, ones that match some rows; then
        // replacements.
        const std::pair<QLineEdit*, QString> typing[] = {
            {form->Text1, QStringLiteral("zzz\b\b\bb\\.t")},
            {form->Text2, QStringLiteral("\b\b\b\b\bx#\b")},
        };
        for (const auto& [box, keys] : typing) {
            box->setFocus();
            box->selectAll();
            // The list has lost the focus and is drawn anew, after its delayed
            // layout: all of it settles before the first key.
            QTest::qWait(100);
            for (const QChar key : keys) {
                QTest::keyClick(box, key.toLatin1());
                const QImage shown = shownList();
                form->ListView1->viewport()->repaint();
                QVERIFY2(shownList() == shown, qPrintable(form->Text1->text() + " / " + form->Text2->text()));
            }
        }
    }

    void anErrorRowIsMarkedBesidesItsColourAlsoWhenSelected()
    {
        drop({"a.txt"});
        form->Text1->setText(QStringLiteral("^a"));
        form->Text2->setText(QStringLiteral("b"));
        form->ListView1->selectRow(0);
        const QRect newName = form->ListView1->visualRect(at(0, ColumnKey::NewName));
        const QImage clean = form->ListView1->viewport()->grab(newName).toImage();
        writeFile(dir + "/b.txt", "in the way");
        emit form->folderWatch().foldersChanged({dir});
        QCOMPARE(at(0, ColumnKey::NewName).data(Qt::ToolTipRole).toString(), QStringLiteral("目录中已有同名文件"));
        QVERIFY(form->ListView1->viewport()->grab(newName).toImage() != clean);
    }

    void screenReadersStillGetThePlainTexts()
    {
        drop({"IMG_2041.JPG"});
        form->Text1->setText(QStringLiteral("_(\\d+)"));
        form->Text2->setText(QStringLiteral("-##"));
        QCOMPARE(at(0, ColumnKey::FileName).data().toString(), QStringLiteral("IMG_2041.JPG"));
        QCOMPARE(at(0, ColumnKey::NewName).data().toString(), QStringLiteral("IMG-01.JPG"));
        QCOMPARE(at(0, ColumnKey::Id).data().toString(), QStringLiteral("1"));
    }

    void spansAreWorkedOutOnlyForTheRowsOnScreen()
    {
        std::vector<std::string> names;
        for (int i = 1; i <= 300; ++i)
            names.push_back("file " + std::to_string(i) + ".txt");
        drop(names);
        drawnList();
        form->Text2->setText(QStringLiteral("$1-#.$2"));
        spansAsked.clear(); // the preview searches every row; drawing only those on screen
        drawnList();
        const int visibleRows = form->ListView1->viewport()->height() / form->ListView1->rowHeight(0) + 1;
        QVERIFY(!spansAsked.empty());
        QVERIFY2(static_cast<int>(spansAsked.size()) <= visibleRows, qPrintable(QString::number(spansAsked.size())));
        for (const std::string& name : spansAsked)
            QVERIFY2(std::stoi(name.substr(5)) <= visibleRows, name.c_str());

        spansAsked.clear();
        form->ListView1->verticalScrollBar()->setValue(form->ListView1->verticalScrollBar()->maximum());
        drawnList();
        QVERIFY(!spansAsked.empty());
        for (const std::string& name : spansAsked)
            QVERIFY2(std::stoi(name.substr(5)) > 300 - visibleRows, name.c_str());
    }

    void everyTextIsDrawnReadablyOnWhatIsBehindItInTheLightAndTheDarkPalette()
    {
        // Each cue on the base, on both tints and selected: a is left with an
        // earlier proposal (brown), x's proposal is its name (grey), b and c
        // take x.txt, which x holds (red; c selected), cc's is clean.
        drop({"a.txt", "b.txt", "c.txt", "x.txt", "cc.txt"});
        form->Text2->setText(QStringLiteral("$1-1.$2"));
        form->Text1->setText(QStringLiteral("^[bcx]"));
        form->Text2->setText(QStringLiteral("x"));
        QFont aliased = form->ListView1->font();
        aliased.setStyleStrategy(QFont::NoAntialias); // every pixel is either ink or what is behind it
        form->ListView1->setFont(aliased);
        QPalette dark = form->palette(); // as the GTK theme's Adwaita:dark has it
        for (const auto& [role, rgb] : {std::pair{QPalette::Base, 0x242424}, {QPalette::Text, 0xf0f0f0},
                                        {QPalette::Highlight, 0x308cc6}, {QPalette::HighlightedText, 0xf0f0f0}})
            dark.setColor(role, QColor(QRgb(rgb)));
        for (const auto& [name, palette] : {std::pair{"light", form->palette()}, {"dark", dark}}) {
            form->ListView1->setPalette(palette);
            const QColor tints[] = {matchTint(palette), changeTint(palette)};
            form->ListView1->selectRow(2);
            const QImage drawn = drawnList(false);
            int onTints = 0;
            for (int row = 0; row < model().rowCount(); ++row) {
                for (int column = 0; column < model().columnCount(); ++column) {
                    // Behind the text: the cell's background at its top edge,
                    // or a tint; all else is ink, drawn on what is above it.
                    const QRect cell = form->ListView1->visualRect(model().index(row, column));
                    const QColor background = drawn.pixelColor(cell.topLeft());
                    const auto isBehind = [&](const QColor& pixel) {
                        return pixel == background || pixel == tints[0] || pixel == tints[1];
                    };
                    for (int x = cell.left(); x <= cell.right(); ++x) {
                        for (int y = cell.top() + 1, above = cell.top(); y <= cell.bottom(); ++y) {
                            const QColor ink = drawn.pixelColor(x, y);
                            if (isBehind(ink)) {
                                above = y;
                                continue;
                            }
                            const QColor behind = drawn.pixelColor(x, above);
                            onTints += behind == tints[0] || behind == tints[1];
                            const QString where = QStringLiteral("%1: %2 on %3 in row %4").arg(name, ink.name(), behind.name()).arg(row + 1);
                            QVERIFY2(contrastRatio(ink, behind) >= 4.5, qPrintable(where));
                            QVERIFY2(row != 1 || ink.red() > ink.green() + 40, qPrintable(where + ", not red"));
                        }
                    }
                }
            }
            QVERIFY(onTints > 0);
        }
    }

    void aLongNameKeepsItsExtensionInViewAndItsWholeTextInTheTooltip()
    {
        // A tab in it, too: the tooltip shows it as "\t", not raw.
        const std::string longName = "holiday\treport " + std::string(60, 'x') + " final draft.docx";
        form->Text2->clear(); // no proposals, and so no cues, from the drop
        drop({longName, "short.txt"});
        form->Text1->setText(QStringLiteral("^short"));
        form->Text2->setText(QStringLiteral("long"));
        const QModelIndex cell = at(0, ColumnKey::FileName);
        const QString shown = form->listDelegate().shownText(optionFor(cell), cell);
        QVERIFY(shown.size() < cell.data().toString().size());
        QVERIFY(shown.startsWith(QStringLiteral("holiday")));
        QVERIFY(shown.endsWith(QStringLiteral("draft.docx")));

        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const QString tip = toolTipShownAt(cell);
        QCOMPARE(QString(tip).remove(QLatin1Char('\n')), QString::fromStdString(withVisibleControls(longName)));
        QVERIFY(toolTipShownAt(at(1, ColumnKey::FileName)).isEmpty()); // a name that fits has none

        // With a cue, its reason comes first.
        form->Text1->setText(QStringLiteral("^(.+)$"));
        form->Text2->setText(QStringLiteral("short.txt"));
        const QString cued = toolTipShownAt(cell);
        QVERIFY2(cued.startsWith(QStringLiteral("目录中已有同名文件\n")), qPrintable(cued));
        QVERIFY(QString(cued).remove(QLatin1Char('\n')).endsWith(QString::fromStdString(withVisibleControls(longName))));
    }

    // Texts are shaped once and kept: asked again, in any order, for other
    // widths, modes, fonts and options, each answer is what shaping afresh gives.
    void aKeptShapeIsTheShapeOfWhatWasAskedFor()
    {
        ShapedTexts kept;
        QFont bold = form->ListView1->font();
        bold.setBold(true);
        const QFont fonts[] = {form->ListView1->font(), bold};
        const QString texts[] = {QStringLiteral("holiday report final draft.docx"), QStringLiteral("照片 2024.jpg")};
        const int widths[] = {400, 60, 30};
        const Qt::TextElideMode modes[] = {Qt::ElideMiddle, Qt::ElideRight};
        QTextOption rightToLeft;
        rightToLeft.setTextDirection(Qt::RightToLeft);
        const QTextOption options[] = {QTextOption(), rightToLeft};
        for (int round = 0; round < 2; ++round) {
            for (const QFont& font : fonts) {
                for (const QString& text : texts) {
                    for (const int width : widths) {
                        for (const Qt::TextElideMode mode : modes)
                            QCOMPARE(kept.elided(text, font, mode, width), QFontMetrics(font).elidedText(text, mode, width));
                        const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideMiddle, width);
                        for (const QTextOption& option : options) {
                            QTextLayout fresh(shown, font, form->ListView1->viewport());
                            fresh.setTextOption(option);
                            fresh.beginLayout();
                            fresh.createLine().setLineWidth(width);
                            fresh.endLayout();
                            const QTextLayout& layout = kept.laidOut(shown, font, form->ListView1->viewport(), option, width);
                            QCOMPARE(layout.text(), shown);
                            QCOMPARE(layout.textOption().textDirection(), option.textDirection());
                            QCOMPARE(layout.lineAt(0).naturalTextWidth(), fresh.lineAt(0).naturalTextWidth());
                            QCOMPARE(layout.lineAt(0).width(), fresh.lineAt(0).width());
                        }
                    }
                }
            }
        }
    }

    void rowNumbersFromOneThousandOnAreReadable()
    {
        std::filesystem::create_directory(dir + "/many");
        for (int i = 1; i <= 1000; ++i)
            writeFile(dir + "/many/f" + std::to_string(i), "");
        form->ListView1_OLEDragDrop({dir + "/many"});
        form->ListView1->scrollToBottom();
        QCoreApplication::processEvents();
        const QModelIndex thousand = at(999, ColumnKey::Id);
        QCOMPARE(thousand.data().toString(), QStringLiteral("1000"));
        QCOMPARE(form->ListView1->horizontalHeader()->sectionSize(thousand.column()), 33); // the design's 500 twips
        // Drawn whole where the font lets four digits fit the column at all,
        // and whole in the tooltip otherwise.
        const QStyleOptionViewItem option = optionFor(thousand);
        const QString shown = form->listDelegate().shownText(option, thousand);
        if (advance(QStringLiteral("1000")) + FileListDelegate::kNumberPadding <= option.rect.width())
            QCOMPARE(shown, QStringLiteral("1000"));
        else
            QVERIFY(toolTipShownAt(thousand).contains(QStringLiteral("1000")));

        // A number that does not fit is whole in its tooltip.
        QStyleOptionViewItem narrow = optionFor(thousand);
        narrow.rect.setWidth(advance(QStringLiteral("10")));
        QVERIFY(form->listDelegate().shownText(narrow, thousand) != QStringLiteral("1000"));
        QCOMPARE(form->listDelegate().toolTip(narrow, thousand), QStringLiteral("1000"));
    }

    void aNameThatIsNotUtf8SaysWhyItCanNeverBeRenamed()
    {
        drop({"caf\xE9.txt", "ok.txt"});
        form->Text2->setText(QStringLiteral("x_$1.$2"));
        const QModelIndex bad = at(0, ColumnKey::FileName);
        QCOMPARE(bad.data().toString(), QStringLiteral("caf\uFFFD.txt"));
        QCOMPARE(at(0, ColumnKey::NewName).data().toString(), QString());
        QCOMPARE(bad.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("文件名不是有效的 UTF-8 文本，表达式无法匹配它，此文件不能重命名"));
        QVERIFY(!at(1, ColumnKey::FileName).data(Qt::ToolTipRole).isValid());
    }
};

QTEST_MAIN(WindowCellsTest)
#include "window_cells_test.moc"
