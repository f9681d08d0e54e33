#include "documentprinter.h"

#include "reporting.h"

#include <QAbstractTextDocumentLayout>
#include <QHash>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>

Q_LOGGING_CATEGORY(lcReporting, "vorantel.reporting")

namespace {

// A place where a page may end, in document coordinates. A cut between two rows of a
// table with header rows carries the header band, drawn again above the rows that follow.
struct Cut
{
    qreal y = 0;
    qreal headerTop = 0;
    qreal headerBottom = 0;
};

// The ruling of a table whose borders are drawn here rather than by the layout: the layout
// draws four borders round every cell and looks up each cell's neighbours to do so, a third
// of a long list's printing time. Lines run between the rows and columns and round the
// table, in document coordinates.
struct Grid
{
    QRectF frame;
    QVector<qreal> rows;    // between rows no cell spans
    QVector<qreal> columns; // left edges of the columns after the first
    QPen pen;

    // Tables without spanned cells are filled in here too: the layout's own drawing looks up
    // every cell's row and column, each lookup a search through the whole table.
    QTextTable* table = nullptr;
    bool drawsCells = false;
    QVector<qreal> rowTops; // every row's top edge
    qreal padding = 0;

    qreal ColumnLeft(int c) const { return c == 0 ? frame.left() : columns.value(c - 1); }
    qreal ColumnRight(int c) const { return c + 1 < table->columns() ? columns.value(c) : frame.right(); }
    qreal RowBottom(int r) const { return r + 1 < rowTops.size() ? rowTops.at(r + 1) : frame.bottom(); }
};

void AddLineCuts(const QTextBlock& block, QAbstractTextDocumentLayout* layout, QVector<Cut>* cuts)
{
    const QRectF box = layout->blockBoundingRect(block);
    const QTextLayout* lines = block.layout();
    for (int i = 0; lines && i < lines->lineCount(); ++i)
        cuts->append(Cut{box.top() + lines->lineAt(i).rect().bottom()});
    cuts->append(Cut{box.bottom()});
}

// Between two rows no cell spans. Cells start at the top of their row, so the first
// block of one cell gives the row's top; the cut runs halfway through the gap between
// the rows' contents, that is between the two rows' borders.
void AddRowCuts(QTextTable* table, QAbstractTextDocumentLayout* layout, QVector<Cut>* cuts, Grid* grid)
{
    QRectF frame = layout->frameBoundingRect(table);
    if (grid)
        grid->frame = frame;
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows < 2 || columns < 1) {
        cuts->append(Cut{frame.top()});
        cuts->append(Cut{frame.bottom()});
        return;
    }
    // Half the gap between the first two rows' contents.
    qreal half = 0;
    {
        qreal firstBottom = frame.top();
        qreal secondTop = frame.bottom();
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell upper = table->cellAt(0, c);
            const QTextTableCell lower = table->cellAt(1, c);
            firstBottom = std::max(firstBottom, layout->blockBoundingRect(upper.lastCursorPosition().block()).bottom());
            if (!(lower == upper))
                secondTop = std::min(secondTop, layout->blockBoundingRect(lower.firstCursorPosition().block()).top());
        }
        if (secondTop > firstBottom)
            half = (secondTop - firstBottom) / 2;
    }
    if (grid) {
        // Column edges from the last row that starts a cell in each column (header cells
        // may be laid out differently); the first column's edge is the table's left edge.
        for (int c = 0; c < columns; ++c) {
            for (int r = rows - 1; r >= 0; --r) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.column() != c)
                    continue;
                const qreal x = layout->blockBoundingRect(cell.firstCursorPosition().block()).left() - half;
                if (c == 0)
                    grid->frame.setLeft(x); // the layout's frame starts at the first cell's text
                else
                    grid->columns << x;
                break;
            }
        }
    }
    // The layout's frame starts at the first cell's text; the table starts a padding above.
    frame.setTop(std::min(frame.top(),
                          layout->blockBoundingRect(table->cellAt(0, 0).firstCursorPosition().block()).top() - half));
    if (grid)
        grid->frame.setTop(frame.top());
    cuts->append(Cut{frame.top()});
    const int headerRows = table->format().headerRowCount();
    qreal headerBottom = frame.top();
    bool anySpan = false;
    if (grid) {
        grid->table = table;
        grid->padding = half;
        grid->rowTops << layout->blockBoundingRect(table->cellAt(0, 0).firstCursorPosition().block()).top() - half;
        for (int c = 1; c < columns; ++c)
            anySpan = anySpan || table->cellAt(0, c) == table->cellAt(0, c - 1);
    }
    for (int r = 1; r < rows; ++r) {
        int starting = -1;
        bool spanned = false;
        for (int c = 0; c < columns; ++c) {
            if (table->cellAt(r, c) == table->cellAt(r - 1, c))
                spanned = true;
            else if (starting < 0)
                starting = c;
            if (grid && c > 0 && table->cellAt(r, c) == table->cellAt(r, c - 1))
                anySpan = true;
        }
        if (spanned || starting < 0) {
            anySpan = true;
            continue;
        }
        const qreal y = layout->blockBoundingRect(table->cellAt(r, starting).firstCursorPosition().block()).top() - half;
        if (grid) {
            grid->rows << y;
            grid->rowTops << y;
        }
        if (r == headerRows) {
            // The header rows stay with the first row below them.
            headerBottom = y;
            continue;
        }
        if (r > headerRows && headerRows > 0 && headerBottom > frame.top())
            cuts->append(Cut{y, frame.top(), headerBottom});
        else
            cuts->append(Cut{y});
    }
    cuts->append(Cut{frame.bottom()});

    if (grid && !anySpan && grid->rowTops.size() == rows) {
        // The cells' text is drawn from the row and column edges found above; a table whose
        // first and last cells are not where the layout put them is left to the layout.
        auto placed = [&](int r, int c) {
            const QTextBlock block = table->cellAt(r, c).firstCursorPosition().block();
            const QPointF expected = QPointF(grid->ColumnLeft(c) + half, grid->rowTops.at(r) + half)
                                     + block.layout()->position();
            const QPointF actual = layout->blockBoundingRect(block).topLeft();
            return qAbs(expected.x() - actual.x()) < 0.5 && qAbs(expected.y() - actual.y()) < 0.5;
        };
        grid->drawsCells = placed(rows - 1, 0) && placed(rows - 1, columns - 1) && placed(1, columns - 1);
    }
}

QVector<Cut> Cuts(QTextDocument* document, QHash<QTextTable*, Grid>* grids)
{
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    QVector<Cut> cuts;
    QTextFrame* root = document->rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            if (auto* table = qobject_cast<QTextTable*>(frame)) {
                AddRowCuts(table, layout, &cuts, grids->contains(table) ? &(*grids)[table] : nullptr);
            } else {
                const QRectF box = layout->frameBoundingRect(frame);
                cuts.append(Cut{box.top()});
                cuts.append(Cut{box.bottom()});
            }
        } else {
            AddLineCuts(it.currentBlock(), layout, &cuts);
        }
    }
    std::stable_sort(cuts.begin(), cuts.end(), [](const Cut& a, const Cut& b) { return a.y < b.y; });
    return cuts;
}

void DrawGrid(QPainter* painter, const Grid& grid, qreal top, qreal bottom)
{
    const qreal from = std::max(top, grid.frame.top());
    const qreal to = std::min(bottom, grid.frame.bottom());
    if (from >= to)
        return;
    // Lines on the band's edges are drawn just inside it, so that the clip keeps them whole.
    const qreal inset = grid.pen.widthF() / 2;
    auto inside = [&](qreal y) { return std::min(std::max(y, from + inset), to - inset); };
    painter->setPen(grid.pen);
    QVector<QLineF> lines;
    lines << QLineF(grid.frame.left() + inset, from, grid.frame.left() + inset, to)
          << QLineF(grid.frame.right() - inset, from, grid.frame.right() - inset, to)
          << QLineF(grid.frame.left(), inside(from), grid.frame.right(), inside(from))
          << QLineF(grid.frame.left(), inside(to), grid.frame.right(), inside(to));
    for (qreal x : grid.columns)
        lines << QLineF(x, from, x, to);
    auto it = std::lower_bound(grid.rows.cbegin(), grid.rows.cend(), from);
    for (; it != grid.rows.cend() && *it <= to; ++it)
        lines << QLineF(grid.frame.left(), inside(*it), grid.frame.right(), inside(*it));
    painter->drawLines(lines);
}

// The rows of a table that start within [top, bottom): cell backgrounds, then the text.
void DrawCells(QPainter* painter, QAbstractTextDocumentLayout* layout, const Grid& grid, qreal top, qreal bottom,
               const QAbstractTextDocumentLayout::PaintContext& context)
{
    QTextTable* table = grid.table;
    auto first = std::lower_bound(grid.rowTops.cbegin(), grid.rowTops.cend(), top - 0.5);
    for (int r = int(first - grid.rowTops.cbegin()); r < grid.rowTops.size() && grid.rowTops.at(r) < bottom - 0.5; ++r) {
        const qreal rowTop = grid.rowTops.at(r);
        const qreal rowBottom = grid.RowBottom(r);
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            const QRectF box(grid.ColumnLeft(c), rowTop, grid.ColumnRight(c) - grid.ColumnLeft(c), rowBottom - rowTop);
            const QBrush background = cell.format().background();
            if (background.style() != Qt::NoBrush)
                painter->fillRect(box, background);
            const QPointF origin(box.left() + grid.padding, rowTop + grid.padding);
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                if (it.currentFrame()) {
                    // Anything but plain blocks (a table in a cell) is drawn by the layout.
                    QAbstractTextDocumentLayout::PaintContext inner = context;
                    inner.clip = box.adjusted(0.5, 0.5, -0.5, -0.5);
                    layout->draw(painter, inner);
                    break;
                }
                const QTextBlock block = it.currentBlock();
                painter->setPen(context.palette.color(QPalette::Text));
                block.layout()->draw(painter, origin);
            }
        }
    }
}

// Draws the document's band [top, bottom) with its top at pageY of the page.
void DrawBand(QPainter* painter, QAbstractTextDocumentLayout* layout, const QHash<QTextTable*, Grid>& grids,
              qreal width, qreal top, qreal bottom, qreal pageY)
{
    painter->save();
    painter->translate(0, pageY - top);
    const QRectF band(0, top, width, bottom - top);
    painter->setClipRect(band);
    QAbstractTextDocumentLayout::PaintContext context;
    // The layout draws whatever touches its clip: a line ending exactly at a cut would
    // otherwise be written, hidden by the clip, into the next page's text as well.
    context.clip = band.adjusted(0, 0.5, 0, -0.5);
    // Printed text is black whatever the desktop's palette says.
    context.palette.setColor(QPalette::Text, Qt::black);
    // The layout draws the band but the tables whose cells are drawn here.
    QVector<qreal> edges{top};
    for (const Grid& grid : grids) {
        if (grid.drawsCells && grid.frame.bottom() > top && grid.frame.top() < bottom)
            edges << std::max(top, grid.frame.top()) << std::min(bottom, grid.frame.bottom());
    }
    edges << bottom;
    std::sort(edges.begin() + 1, edges.end() - 1);
    for (int i = 0; i + 1 < edges.size(); i += 2) {
        if (edges.at(i + 1) - edges.at(i) < 1)
            continue;
        QAbstractTextDocumentLayout::PaintContext part = context;
        part.clip = QRectF(0, edges.at(i), width, edges.at(i + 1) - edges.at(i)).adjusted(0, 0.5, 0, -0.5);
        layout->draw(painter, part);
    }
    for (const Grid& grid : grids) {
        if (grid.drawsCells)
            DrawCells(painter, layout, grid, top, bottom, context);
        DrawGrid(painter, grid, top, bottom);
    }
    painter->restore();
}

} // namespace

void DocumentPrinter::Print(QTextDocument* document, QPrinter* printer)
{
    QMarginsF margins = printer->pageLayout().margins(QPageLayout::Millimeter);
    if (margins.isNull())
        printer->setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);

    QPainter painter(printer);
    if (!painter.isActive()) {
        qCWarning(lcReporting) << "the printer cannot be painted on";
        return;
    }
    // A page size of zero stops the layout until the text width is set, so the
    // changes below do not lay the document out again each.
    document->setPageSize(QSizeF(0, 0));
    // Text of scripts that need no shaping is laid out without it (Qt still shapes the
    // scripts that need it): a tenth of a long list's time, for kerning that a list does not need.
    QFont font = document->defaultFont();
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    document->setDefaultFont(font);
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    layout->setPaintDevice(printer);
    const int dpiY = printer->logicalDpiY();
    const int margin = int((2 / 2.54) * dpiY);
    QTextFrameFormat rootFormat = document->rootFrame()->frameFormat();
    rootFormat.setMargin(margin);
    document->rootFrame()->setFrameFormat(rootFormat);
    QHash<QTextTable*, Grid> grids;
    for (auto it = document->rootFrame()->begin(); !it.atEnd(); ++it) {
        auto* table = qobject_cast<QTextTable*>(it.currentFrame());
        if (!table || table->format().border() <= 0 || table->rows() < 2)
            continue;
        QTextTableFormat format = table->format();
        const QBrush brush = format.borderBrush().style() == Qt::NoBrush ? QBrush(Qt::darkGray) : format.borderBrush();
        grids[table].pen = QPen(brush, format.border());
        format.setBorder(0);
        table->setFormat(format);
    }
    const QRectF body(0, 0, printer->width(), printer->height());
    // One page as tall as the whole document: laid out once, cut into pages below.
    document->setTextWidth(body.width());

    const QVector<Cut> cuts = Cuts(document, &grids);
    const qreal end = layout->documentSize().height() - margin;
    const QFont numberFont(document->defaultFont());
    const QPointF numberPos(body.width() - margin,
                            body.height() - margin + QFontMetricsF(numberFont, printer).ascent() + 5.0 * dpiY / 72.0);

    qreal top = margin;
    Cut header;
    for (int page = 1;; ++page) {
        const qreal headerHeight = header.headerBottom - header.headerTop;
        const qreal room = body.height() - 2 * margin - headerHeight;
        qreal bottom = top + room;
        Cut next;
        if (bottom >= end) {
            bottom = end;
        } else {
            auto it = std::upper_bound(cuts.cbegin(), cuts.cend(), bottom, [](qreal y, const Cut& cut) { return y < cut.y; });
            if (it != cuts.cbegin() && (it - 1)->y > top + 0.5) {
                next = *(it - 1);
                bottom = next.y;
            }
        }
        if (headerHeight > 0)
            DrawBand(&painter, layout, grids, body.width(), header.headerTop, header.headerBottom, margin);
        DrawBand(&painter, layout, grids, body.width(), top, bottom, margin + headerHeight);

        painter.save();
        painter.setFont(numberFont);
        const QString number = QString::number(page);
        painter.drawText(QPointF(qRound(numberPos.x() - painter.fontMetrics().horizontalAdvance(number)), qRound(numberPos.y())),
                         number);
        painter.restore();

        top = bottom;
        header = next;
        if (top >= end - 0.5)
            break;
        printer->newPage();
    }
}

void DocumentPrinter::run()
{
    if (debug)
        qCDebug(lcReporting) << "DocumentPrinter::run";
    done = false;
    document = new QTextDocument;
    document->setPageSize(QSizeF(0, 0)); // laid out once, by Print
    document->setHtml(*html);
    Print(document, printer);
    // The creator deletes the document on its own thread, so the document's layout
    // timers must belong to that thread too.
    document->moveToThread(thread());
    done = true;
}
