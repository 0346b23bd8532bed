#include "FileListDelegate.h"

#include "CellColors.h"
#include "CellSpans.h"
#include "CueLooks.h"
#include "FileListModel.h"
#include "Utf8.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QPolygon>
#include <QTextLayout>
#include <QToolTip>

namespace renamer {

namespace {

// A tooltip wider than this is broken into lines.
constexpr int kWidestToolTipLine = 560;

// Minimum contrast of a cell's text with what is behind it, the usual floor
// for text of its size.
constexpr double kTextContrast = 4.5;

// The whole text in lines that fit a tooltip: at word boundaries where it
// has them, anywhere else where it must. Joining the lines gives the text back.
QString brokenForToolTip(const QString& text)
{
    QTextLayout layout(text, QToolTip::font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(kWidestToolTipLine);
        lines.append(text.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    return lines.join(QLatin1Char('\n'));
}

QTextLayout::FormatRange formatRange(const CharSpan& span, const QColor& ink, const QColor* tint)
{
    QTextLayout::FormatRange range;
    range.start = static_cast<int>(span.begin);
    range.length = static_cast<int>(span.end - span.begin);
    range.format.setForeground(ink);
    if (tint != nullptr)
        range.format.setBackground(*tint);
    return range;
}

// Whether every character of `text` runs left to right, so that each range
// of it shows as one stretch, from where it begins to where it ends.
bool runsLeftToRight(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirAN:
            return false;
        default:
            break;
        }
    }
    return true;
}

// Draws the laid-out text at `origin` in `ink`, with each range's tint behind
// it and in its own ink. Where the text runs left to right and every range's
// ink is `ink`, the tints are filled and the text drawn once; otherwise the
// layout draws the ranges as selections, which clips and draws the text once
// more for each.
void drawTinted(QPainter* painter, const QTextLayout& layout, const QPointF& origin,
                const QList<QTextLayout::FormatRange>& ranges, const QColor& ink)
{
    painter->setPen(ink);
    const bool oneInk = std::ranges::all_of(ranges, [&](const QTextLayout::FormatRange& range) {
        return range.format.foreground().color() == ink;
    });
    if (ranges.isEmpty() || !oneInk || layout.textOption().textDirection() != Qt::LeftToRight
        || !runsLeftToRight(layout.text())) {
        layout.draw(painter, origin, ranges);
        return;
    }
    const QTextLine line = layout.lineAt(0);
    for (const QTextLayout::FormatRange& range : ranges) {
        if (range.format.background().style() == Qt::NoBrush)
            continue;
        const qreal left = line.cursorToX(range.start);
        const qreal right = line.cursorToX(range.start + range.length);
        painter->fillRect(QRectF(origin.x() + left, origin.y() + line.y(), right - left, line.height()),
                          range.format.background());
    }
    layout.draw(painter, origin);
}

} // namespace

struct FileListDelegate::CellLayout {
    QStyleOptionViewItem option;
    QString text;  // the cell's whole text
    QString shown; // as it fits
    QRect area;    // where the text goes
};

FileListDelegate::FileListDelegate(const RenameSession& session, const FileListModel& model, QObject* parent)
    : QStyledItemDelegate(parent)
    , session_(session)
    , model_(model)
{
}

FileListDelegate::CellLayout FileListDelegate::layOut(const QStyleOptionViewItem& option,
                                                      const QModelIndex& index) const
{
    CellLayout cell{option, {}, {}, {}};
    initStyleOption(&cell.option, index);
    cell.text = cell.option.text;
    const bool number = index.column() == model_.columnOf(ColumnKey::Id);
    const QWidget* widget = cell.option.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    if (number) {
        // The grid line already parts the number from the next cell.
        cell.area = cell.option.rect.adjusted(kNumberPadding, 0, 0, 0);
    } else {
        // The style's own padding for the names, as every list has it.
        const int padding = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        cell.area = cell.option.rect.adjusted(padding, 0, -padding, 0);
    }
    cell.shown = shapedTexts_.elided(cell.text, cell.option.font, number ? Qt::ElideRight : Qt::ElideMiddle,
                                     std::max(0, cell.area.width()));
    return cell;
}

const RowSpans& FileListDelegate::spansOf(std::size_t row) const
{
    // More rows than any screen shows: a list scrolled from end to end
    // starts over rather than keeping every row.
    constexpr std::size_t kMostCachedRows = 512;
    if (cachedRevision_ != session_.revision() || cachedSpans_.size() >= kMostCachedRows) {
        cachedSpans_.clear();
        cachedRevision_ = session_.revision();
    }
    const auto found = cachedSpans_.find(row);
    if (found != cachedSpans_.end())
        return found->second;
    return cachedSpans_.emplace(row, session_.spans(row)).first->second;
}

void FileListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const CellLayout cell = layOut(option, index);
    const QStyleOptionViewItem& opt = cell.option;
    const QWidget* widget = opt.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const QPalette::ColorGroup group = !opt.state.testFlag(QStyle::State_Enabled) ? QPalette::Disabled
        : opt.state.testFlag(QStyle::State_Active)                               ? QPalette::Normal
                                                                                   : QPalette::Inactive;
    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    const QColor selectedInk = opt.palette.color(group, QPalette::HighlightedText);
    // The style's selection, made dark or light enough for its text.
    const QColor selection = readableOn(opt.palette.color(group, QPalette::Highlight), selectedInk, kTextContrast);

    // Background, selection and focus as the style draws them; the text is ours.
    QStyleOptionViewItem withoutText = opt;
    withoutText.text.clear();
    // Setting a colour copies the whole palette, so only one that changes is set.
    if (withoutText.palette.color(group, QPalette::Highlight) != selection)
        withoutText.palette.setColor(group, QPalette::Highlight, selection);
    style->drawControl(QStyle::CE_ItemViewItem, &withoutText, painter, widget);
    if (cell.shown.isEmpty())
        return;

    const auto row = static_cast<std::size_t>(index.row()) + 1;
    if (row > session_.fileList().rowCount())
        return;
    const QColor behind = selected                                  ? selection
        : opt.backgroundBrush.style() != Qt::NoBrush ? opt.backgroundBrush.color()
                                                     : opt.palette.color(group, QPalette::Base);
    // The cue's ink, or the selection's text colour, made to read on what is behind it.
    const QColor wanted = selected ? selectedInk : opt.palette.color(group, QPalette::Text);

    QList<QTextLayout::FormatRange> formats;
    if (!selected) {
        const std::string_view raw = session_.fileList().cell(row, session_.fileList().columns()[index.column()].key);
        const std::optional<MiddleElision> elision = findMiddleElision(cell.text, cell.shown);
        const auto place = [&](QList<CharSpan> spans) {
            return elision ? elideSpans(spans, cell.text.size(), *elision) : spans;
        };
        const bool oldName = index.column() == model_.columnOf(ColumnKey::FileName);
        if (oldName || index.column() == model_.columnOf(ColumnKey::NewName)) {
            const RowSpans& spans = spansOf(row);
            const QColor tint = oldName ? matchTint(opt.palette) : changeTint(opt.palette);
            const QColor tintedInk = readableOn(wanted, tint, kTextContrast);
            for (const CharSpan& span : place(toCharSpans(raw, oldName ? spans.matched : spans.changed)))
                formats.append(formatRange(span, tintedInk, &tint));
        }
        if (!isValidUtf8(raw)) {
            // The bytes that are no character, drawn as the replacement
            // character in the colour of a name that cannot be renamed.
            const QColor warning = readableOn(QColor(0xC0, 0x00, 0x00), behind, kTextContrast);
            for (qsizetype i = 0; i < cell.shown.size(); ++i) {
                if (cell.shown[i] == QChar::ReplacementCharacter)
                    formats.append(formatRange({i, i + 1}, warning, nullptr));
            }
        }
    }
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTextDirection(opt.direction);
    textOption.setAlignment(QStyle::visualAlignment(opt.direction, opt.displayAlignment));
    const QTextLayout& layout
        = shapedTexts_.laidOut(cell.shown, opt.font, painter->device(), textOption, cell.area.width());
    const QTextLine line = layout.lineAt(0);
    const QSize size(static_cast<int>(std::ceil(line.naturalTextWidth())), static_cast<int>(std::ceil(line.height())));
    const QRect placed = QStyle::alignedRect(opt.direction, opt.displayAlignment, size, cell.area);

    painter->save();
    painter->setClipRect(opt.rect);
    const QColor ink = readableOn(wanted, behind, kTextContrast);
    drawTinted(painter, layout, QPointF(cell.area.left(), placed.top()), formats, ink);
    if (cueLook(session_.cue(row).kind).marked && index.column() == model_.columnOf(ColumnKey::NewName)) {
        // A zigzag under the proposal, in whole pixels of the text's colour,
        // which has to read on the tint it crosses as well.
        painter->setPen(selected ? ink : readableOn(ink, changeTint(opt.palette), kTextContrast));
        const int width = std::min(size.width(), cell.area.width());
        const int y = placed.top() + static_cast<int>(std::lround(line.ascent())) + 1;
        QPolygon zigzag;
        for (int x = 0; x <= width; x += 2)
            zigzag << QPoint(cell.area.left() + x, y + (x / 2) % 2);
        painter->drawPolyline(zigzag);
    }
    painter->restore();
}

QString FileListDelegate::shownText(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return layOut(option, index).shown;
}

QString FileListDelegate::toolTip(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const CellLayout cell = layOut(option, index);
    QStringList parts;
    if (const QString reason = index.data(Qt::ToolTipRole).toString(); !reason.isEmpty())
        parts.append(reason);
    if (cell.shown != cell.text)
        parts.append(brokenForToolTip(cell.text)); // with its control characters escaped, as the cell shows it
    const QString tip = parts.join(QLatin1Char('\n'));
    // A name such as "<b>x" must not be read as markup.
    return Qt::mightBeRichText(tip) ? Qt::convertFromPlainText(tip, Qt::WhiteSpacePre) : tip;
}

bool FileListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString tip = toolTip(option, index);
    const QRect cell = view->visualRect(index);
    const QRect cellOnScreen(view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    QToolTip::showText(event->globalPos(), tip, view, cellOnScreen);
    event->setAccepted(!tip.isEmpty());
    return true;
}

} // namespace renamer
