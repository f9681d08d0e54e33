#include "documentprinter.h"

#include "partialpdf.h"
#include "reporting.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocumentFragment>
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
#include <memory>

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
void AddRowCuts(QTextTable* table, QAbstractTextDocumentLayout* layout, QVector<Cut>* cuts, Grid* grid,
                QHash<QTextTable*, QVector<qreal>>* rowTops)
{
    QRectF frame = layout->frameBoundingRect(table);
    if (grid)
        grid->frame = frame;
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows < 2 || columns < 1) {
        if (rowTops)
            (*rowTops)[table] = QVector<qreal>{frame.top()};
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
    QVector<qreal>* tops = nullptr;
    if (rowTops) {
        tops = &(*rowTops)[table];
        tops->fill(-1, rows);
        (*tops)[0] = frame.top();
    }
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
        if (tops)
            (*tops)[r] = y;
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

QVector<Cut> Cuts(QTextDocument* document, QHash<QTextTable*, Grid>* grids,
                 QHash<QTextTable*, QVector<qreal>>* rowTops = nullptr)
{
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    QVector<Cut> cuts;
    QTextFrame* root = document->rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            if (auto* table = qobject_cast<QTextTable*>(frame)) {
                AddRowCuts(table, layout, &cuts, grids->contains(table) ? &(*grids)[table] : nullptr, rowTops);
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

// A document laid out for printing: the caller's own, or one part of a long one.
struct Laid
{
    std::unique_ptr<QTextDocument> owned;
    QTextDocument* document = nullptr;
    QHash<QTextTable*, Grid> grids;
    QVector<Cut> cuts;
    QHash<QTextTable*, QVector<qreal>> rowTops;
};

// A page: the band [top, bottom) of one laid out document, below the header band.
struct Page
{
    qreal top = 0;
    qreal bottom = 0;
    Cut header;
};

struct Sheet
{
    qreal margin = 0;
    qreal pageHeight = 0;
};

// Cuts pages from top on, as long as a page's content lies before stopAt; returns false when
// it stopped there (top and header then say where the next page starts), true at the end.
bool Paginate(const Laid& laid, const Sheet& sheet, qreal end, qreal stopAt, qreal* top, Cut* header,
              QVector<Page>* pages)
{
    for (;;) {
        const qreal headerHeight = header->headerBottom - header->headerTop;
        const qreal room = sheet.pageHeight - 2 * sheet.margin - headerHeight;
        qreal bottom = *top + room;
        Cut next;
        if (bottom >= stopAt && stopAt < end)
            return false;
        if (bottom >= end) {
            bottom = end;
        } else {
            auto it = std::upper_bound(laid.cuts.cbegin(), laid.cuts.cend(), bottom,
                                       [](qreal y, const Cut& cut) { return y < cut.y; });
            if (it != laid.cuts.cbegin() && (it - 1)->y > *top + 0.5) {
                next = *(it - 1);
                bottom = next.y;
            }
        }
        pages->append(Page{*top, bottom, *header});
        *top = bottom;
        *header = next;
        if (*top >= end - 0.5)
            return true;
    }
}

// What a part of a long document is made of, in the document's order: a block or a frame of the
// root frame, or rows of a table that may be cut from the rows around them.
struct Unit
{
    QTextBlock block;
    QTextFrame* frame = nullptr;
    QTextTable* table = nullptr;
    int from = 0;
    int to = 0;
};

bool RowStartsClear(QTextTable* table, int r)
{
    for (int c = 0; c < table->columns(); ++c) {
        // A cell's row and column are searched for through the whole table; its spans are read directly.
        const QTextTableCell cell = table->cellAt(r, c);
        if (cell.rowSpan() > 1 && cell.row() != r)
            return false;
    }
    return true;
}

QVector<Unit> Units(QTextDocument* document)
{
    QVector<Unit> units;
    QTextFrame* root = document->rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        QTextFrame* frame = it.currentFrame();
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!frame) {
            Unit unit;
            unit.block = it.currentBlock();
            units << unit;
        } else if (!table) {
            Unit unit;
            unit.frame = frame;
            units << unit;
        } else {
            // The header rows stay with the first row below them.
            const int rows = table->rows();
            int from = 0;
            for (int r = std::max(1, table->format().headerRowCount() + 1); r <= rows; ++r) {
                if (r < rows && !RowStartsClear(table, r))
                    continue;
                Unit unit;
                unit.table = table;
                unit.from = from;
                unit.to = r;
                units << unit;
                from = r;
            }
        }
    }
    return units;
}

void CopyBlockText(const QTextBlock& block, QTextCursor* to)
{
    for (auto it = block.begin(); !it.atEnd(); ++it)
        to->insertText(it.fragment().text(), it.fragment().charFormat());
}

// Copies blocks from..to (inclusive) at the cursor, the first into the cursor's empty block. The character
// format of a table cell's first block is the cell's format, copied with the cell.
void CopyBlocks(QTextBlock block, int lastPosition, QTextCursor* to, bool cellStart = false)
{
    bool first = true;
    for (; block.isValid() && block.position() <= lastPosition; block = block.next()) {
        if (first) {
            to->setBlockFormat(block.blockFormat());
            if (!cellStart)
                to->setBlockCharFormat(block.charFormat());
            first = false;
        } else {
            to->insertBlock(block.blockFormat(), block.charFormat());
        }
        CopyBlockText(block, to);
    }
}

bool AnchorsObjects(const QTextBlock& block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().charFormat().objectIndex() != -1)
            return true;
    }
    return false;
}

bool HoldsFrames(const QTextTableCell& cell)
{
    for (auto it = cell.begin(); !it.atEnd(); ++it) {
        if (it.currentFrame())
            return true;
    }
    return false;
}

bool Spans(const QTextCharFormat& cell)
{
    return cell.tableCellRowSpan() > 1 || cell.tableCellColumnSpan() > 1;
}

// A cell's format as another document holds it: the index of the table it belongs to is that document's own.
QTextCharFormat Unanchored(QTextCharFormat format)
{
    format.clearProperty(QTextFormat::ObjectIndex);
    return format;
}

// A table of the given rows of source (ascending), with its cells' spans and formats, at the cursor.
QTextTable* CopyRows(QTextTable* source, const QVector<int>& rows, const QTextTableFormat& format, QTextCursor* at)
{
    const int columns = source->columns();
    QTextTable* table = at->insertTable(rows.size(), columns, format);
    // Each cell's format is read once: every read makes a copy of it.
    QVector<QTextCharFormat> formats(rows.size() * columns);
    QHash<int, int> rowAt;
    for (int i = 0; i < rows.size(); ++i)
        rowAt.insert(rows.at(i), i);
    const QTextCharFormat fresh = Unanchored(table->cellAt(0, 0).format());
    for (int i = 0; i < rows.size(); ++i) {
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = source->cellAt(rows.at(i), c);
            const QTextCharFormat cellFormat = cell.format();
            formats[i * columns + c] = cellFormat;
            if (Spans(cellFormat) && cell.row() == rows.at(i) && cell.column() == c) {
                int span = 1;
                while (span < cellFormat.tableCellRowSpan() && rowAt.value(rows.at(i) + span, -1) == i + span)
                    ++span;
                table->mergeCells(i, c, span, cellFormat.tableCellColumnSpan());
            }
        }
    }
    QTextCursor cursor = table->cellAt(0, 0).firstCursorPosition();
    for (int i = 0; i < rows.size(); ++i) {
        const int r = rows.at(i);
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = source->cellAt(r, c);
            const QTextCharFormat& cellFormat = formats.at(i * columns + c);
            // A cell without spans stands where it was asked for.
            const bool spans = Spans(cellFormat);
            if (spans && (cell.column() != c || (cell.row() != r && rowAt.value(cell.row(), -1) >= 0)))
                continue;
            QTextTableCell target = table->cellAt(i, c);
            // A merged cell's format was changed by the merge; the others are as the table was made.
            if (Unanchored(cellFormat) != (spans ? Unanchored(target.format()) : fresh))
                target.setFormat(cellFormat);
            cursor = target.firstCursorPosition();
            // A cell's end is searched for through the whole table. A cell whose one block reaches to where the
            // next cell begins is copied as that block, found without the search.
            if (!spans && (c + 1 < columns || r + 1 < source->rows())) {
                const QTextTableCell next = c + 1 < columns ? source->cellAt(r, c + 1) : source->cellAt(r + 1, 0);
                const bool nextListed = c + 1 < columns || (i + 1 < rows.size() && rows.at(i + 1) == r + 1);
                const QTextCharFormat nextFormat = !nextListed ? next.format()
                                                   : formats.at(c + 1 < columns ? i * columns + c + 1 : (i + 1) * columns);
                const QTextBlock block = source->document()->findBlock(cell.firstPosition());
                if (!Spans(nextFormat) && block.position() + block.length() == next.firstPosition()
                    && block.position() == cell.firstPosition()) {
                    CopyBlocks(block, block.position(), &cursor, true);
                    continue;
                }
            }
            if (HoldsFrames(cell)) {
                // A table in a cell is copied whole by Qt's own fragment copy.
                QTextCursor selection(source->document());
                selection.setPosition(cell.firstPosition());
                selection.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
                cursor.insertFragment(QTextDocumentFragment(selection));
            } else {
                CopyBlocks(cell.firstCursorPosition().block(), cell.lastPosition(), &cursor, true);
            }
        }
    }
    return table;
}

// An empty document laid out as document is: its font, text options, metrics and root frame.
std::unique_ptr<QTextDocument> DocumentLike(const QTextDocument* document)
{
    auto like = std::make_unique<QTextDocument>();
    like->setUndoRedoEnabled(false);
    like->setPageSize(QSizeF(0, 0));
    like->setDefaultFont(document->defaultFont());
    like->setDefaultTextOption(document->defaultTextOption());
    like->setUseDesignMetrics(document->useDesignMetrics());
    like->setIndentWidth(document->indentWidth());
    like->setBaseUrl(document->baseUrl());
    like->rootFrame()->setFrameFormat(document->rootFrame()->frameFormat());
    return like;
}

// The advances of the Latin-1 characters in a font on a device, then an estimate for all others.
QVector<qreal> Advances(const QFont& font, const QPaintDevice* device)
{
    const QFontMetricsF metrics(font, const_cast<QPaintDevice*>(device));
    QVector<qreal> advances(257);
    for (int i = 0; i < 256; ++i)
        advances[i] = metrics.horizontalAdvance(QChar(i));
    advances[256] = metrics.averageCharWidth() * 2;
    return advances;
}

// The column widths of a table laid out at the printer's resolution, as lengths in the screen's pixels:
// the last column takes what the others leave.
QVector<QTextLength> ColumnLengths(QTextTable* copy, QTextDocument* probe, QPrinter* printer)
{
    const int columns = copy->columns();
    QAbstractTextDocumentLayout* layout = probe->documentLayout();
    QVector<qreal> left(columns + 1, -1);
    for (int c = 0; c < columns; ++c) {
        for (int r = copy->rows() - 1; r >= 0; --r) {
            const QTextTableCell cell = copy->cellAt(r, c);
            if (cell.column() == c && cell.columnSpan() == 1) {
                left[c] = layout->blockBoundingRect(cell.firstCursorPosition().block()).left();
                break;
            }
        }
    }
    // Lengths are given in the screen's pixels and scaled to the printer's by the layout; half a
    // fixed-point unit more keeps the scaled width from rounding down.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenDpi = !screen || QCoreApplication::testAttribute(Qt::AA_Use96Dpi)
                              ? 96 : qRound(screen->logicalDotsPerInchY());
    const qreal scale = printer->logicalDpiY() / qreal(screenDpi);
    QVector<QTextLength> lengths;
    for (int c = 0; c < columns; ++c) {
        if (c + 1 < columns && left.at(c) >= 0 && left.at(c + 1) >= 0)
            lengths << QTextLength(QTextLength::FixedLength, (left.at(c + 1) - left.at(c) + 0.5 / 64) / scale);
        else
            lengths << QTextLength(); // the last column takes what the others leave
    }
    return lengths;
}

// The column widths of a long table, as Qt's layout would give the whole table: they depend on
// the widest text of each column and its widest word, so the header rows and the rows holding
// those (found by a cheap estimate, a few per column) are laid out on their own.
QVector<QTextLength> ColumnWidths(QTextTable* table, QTextDocument* document, QPrinter* printer, qreal width)
{
    const int rows = table->rows();
    const int columns = table->columns();
    const int headerRows = std::min(rows, std::max(0, table->format().headerRowCount()));
    QHash<int, QVector<qreal>> advances; // per character format: the widths of the Latin-1 characters
    auto advancesOf = [&](const QTextFragment& fragment) -> const QVector<qreal>& {
        QVector<qreal>& table = advances[fragment.charFormatIndex()];
        if (table.isEmpty()) {
            QFont font = fragment.charFormat().font().resolve(document->defaultFont());
            table = Advances(font, printer);
        }
        return table;
    };
    DocumentPrinter::WidthRows candidates(columns);
    // A block's widest line and longest word, added to its cell's.
    auto measure = [&](const QTextBlock& block, qreal* cellWidest, qreal* cellWord) {
        qreal line = 0;
        qreal word = 0;
        for (auto f = block.begin(); !f.atEnd(); ++f) {
            const QTextFragment fragment = f.fragment();
            const QString text = fragment.text();
            const QVector<qreal>& widths = advancesOf(fragment);
            for (QChar ch : text) {
                const qreal w = ch.unicode() < 256 ? widths.at(ch.unicode()) : widths.at(256);
                line += w;
                word = ch.isSpace() ? 0 : word + w;
                *cellWord = std::max(*cellWord, word);
            }
        }
        *cellWidest = std::max(*cellWidest, line);
    };
    for (int r = headerRows; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            const bool spans = Spans(cell.format());
            if (spans && (cell.row() != r || cell.column() != c))
                continue;
            qreal cellWidest = 0;
            qreal cellWord = 0;
            // A cell's end is searched for through the whole table: a cell of one block that reaches to where the
            // next cell begins is measured as that block.
            bool measured = false;
            if (!spans && (c + 1 < columns || r + 1 < rows)) {
                const QTextTableCell next = c + 1 < columns ? table->cellAt(r, c + 1) : table->cellAt(r + 1, 0);
                const int first = cell.firstPosition();
                const QTextBlock block = document->findBlock(first);
                if (block.position() == first && first + block.length() == next.firstPosition()) {
                    measure(block, &cellWidest, &cellWord);
                    measured = true;
                }
            }
            if (!measured) {
                for (auto it = cell.begin(); !it.atEnd(); ++it)
                    measure(it.currentBlock(), &cellWidest, &cellWord);
            }
            candidates.Add(r, c, cellWidest, cellWord);
        }
    }
    QVector<int> chosen;
    for (int r = 0; r < headerRows; ++r)
        chosen << r;
    for (int row : candidates.Rows()) {
        // The whole group of rows bound together by spanned cells.
        int first = row;
        while (first > headerRows && !RowStartsClear(table, first))
            --first;
        int last = row + 1;
        while (last < rows && !RowStartsClear(table, last))
            ++last;
        for (int r = first; r < last; ++r)
            chosen << r;
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());

    const std::unique_ptr<QTextDocument> probe = DocumentLike(document);
    QTextCursor cursor(probe.get());
    QTextTable* copy = CopyRows(table, chosen, table->format(), &cursor);
    probe->documentLayout()->setPaintDevice(printer);
    probe->setTextWidth(width);
    return ColumnLengths(copy, probe.get(), printer);
}

// Lays a part of a long document out: the units first..last-1, a table that goes on from an earlier
// part under its header rows, every long table with the column widths of the whole table.
// unitTables receives the copy of each table unit's table.
std::unique_ptr<QTextDocument> LayPart(QTextDocument* document, QPrinter* printer, qreal width,
                                       const QVector<Unit>& units, int first, int last,
                                       const QHash<QTextTable*, QTextTableFormat>& formats,
                                       QHash<QTextTable*, QTextTable*>* copies, QVector<QTextTable*>* unitTables)
{
    std::unique_ptr<QTextDocument> part = DocumentLike(document);
    for (const QTextFormat& format : document->allFormats()) {
        if (!format.isImageFormat())
            continue;
        const QUrl name(format.toImageFormat().name());
        const QVariant image = document->resource(QTextDocument::ImageResource, name);
        if (image.isValid())
            part->addResource(QTextDocument::ImageResource, name, image);
    }
    QTextCursor cursor(part.get());
    cursor.beginEditBlock();
    bool emptyBlock = true; // the cursor stands in a block nothing was copied into yet
    unitTables->fill(nullptr, last - first);
    for (int u = first; u < last;) {
        const Unit& unit = units.at(u);
        if (unit.table) {
            // The units of one table in this part, as one table.
            int end = u + 1;
            while (end < last && units.at(end).table == unit.table)
                ++end;
            QVector<int> rows;
            if (unit.from > 0) {
                for (int r = 0; r < unit.table->format().headerRowCount(); ++r)
                    rows << r;
            }
            for (int r = unit.from; r < units.at(end - 1).to; ++r)
                rows << r;
            QTextTable* copy = CopyRows(unit.table, rows, formats.value(unit.table, unit.table->format()), &cursor);
            copies->insert(copy, unit.table);
            for (int i = u; i < end; ++i)
                (*unitTables)[i - first] = copy;
            cursor.movePosition(QTextCursor::End);
            emptyBlock = true;
            u = end;
            continue;
        }
        if (!emptyBlock)
            cursor.insertBlock();
        if (unit.frame) {
            QTextCursor selection(document);
            selection.setPosition(unit.frame->firstPosition() - 1);
            selection.setPosition(unit.frame->lastPosition() + 1, QTextCursor::KeepAnchor);
            cursor.insertFragment(QTextDocumentFragment(selection));
            cursor.movePosition(QTextCursor::End);
            emptyBlock = cursor.block().length() <= 1;
        } else if (AnchorsObjects(unit.block)) {
            // A floating image is anchored to an object of its document: Qt's own copy makes it anew.
            QTextCursor selection(document);
            selection.setPosition(unit.block.position());
            selection.setPosition(unit.block.position() + unit.block.length() - 1, QTextCursor::KeepAnchor);
            cursor.setBlockFormat(unit.block.blockFormat());
            cursor.setBlockCharFormat(unit.block.charFormat());
            cursor.insertFragment(QTextDocumentFragment(selection));
            emptyBlock = false;
        } else {
            CopyBlocks(unit.block, unit.block.position(), &cursor);
            emptyBlock = false;
        }
        ++u;
    }
    cursor.endEditBlock();
    part->documentLayout()->setPaintDevice(printer);
    part->setTextWidth(width);
    return part;
}

// Sets a document up for printing as Print lays it out: 2 cm margins, fonts laid out without
// shaping where it is not needed, and the rules of bordered tables left to DrawGrid (their pens).
QHash<QTextTable*, QPen> PrepareForPrinter(QTextDocument* document, QPrinter* printer, int margin)
{
    // A page size of zero stops the layout until the text width is set, so the
    // changes below do not lay the document out again each.
    document->setPageSize(QSizeF(0, 0));
    document->setDefaultFont(DocumentPrinter::WidthRows::PrintFont(document->defaultFont()));
    document->documentLayout()->setPaintDevice(printer);
    QTextFrameFormat rootFormat = document->rootFrame()->frameFormat();
    rootFormat.setMargin(margin);
    document->rootFrame()->setFrameFormat(rootFormat);
    QHash<QTextTable*, QPen> pens;
    for (auto it = document->rootFrame()->begin(); !it.atEnd(); ++it) {
        auto* table = qobject_cast<QTextTable*>(it.currentFrame());
        if (!table || table->format().border() <= 0 || table->rows() < 2)
            continue;
        QTextTableFormat format = table->format();
        const QBrush brush = format.borderBrush().style() == Qt::NoBrush ? QBrush(Qt::darkGray) : format.borderBrush();
        pens.insert(table, QPen(brush, format.border()));
        format.setBorder(0);
        table->setFormat(format);
    }
    return pens;
}

int PrintMargin(QPrinter* printer)
{
    QMarginsF margins = printer->pageLayout().margins(QPageLayout::Millimeter);
    if (margins.isNull())
        printer->setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    return int((2 / 2.54) * printer->logicalDpiY());
}

// A height the document's layout cannot come below: a line for each block of the root frame and
// for each row of its tables, with the rows' padding. Lines and rows are counted, not characters;
// wrapped text and taller rows are left to the layout, which is asked for the real height.
qreal LeastHeight(QTextDocument* document, qreal lineHeight, qreal scale)
{
    qreal height = 0;
    for (auto it = document->rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto* table = qobject_cast<QTextTable*>(it.currentFrame())) {
            const QTextTableFormat format = table->format();
            height += table->rows() * (lineHeight + (2 * format.cellPadding() + format.cellSpacing()) * scale);
        } else if (!it.currentFrame()) {
            height += lineHeight;
        }
    }
    return height;
}

// Paints pages onto the printer as they are cut, numbered at their foot. The painter begins at the
// first page, so that a document found unprintable before it leaves no file behind; a PDF is written under
// its partial name and takes its own once the last page is painted and the file found whole.
class PageWriter
{
public:
    PageWriter(QPrinter* printer, const QFont& numberFont, const QRectF& body, int margin, PrintFailure* failure)
        : printer(printer)
        , numberFont(numberFont)
        , body(body)
        , margin(margin)
        , numberPos(body.width() - margin, body.height() - margin + QFontMetricsF(numberFont, printer).ascent()
                                               + 5.0 * printer->logicalDpiY() / 72.0)
        , failure(failure)
    {
    }

    // A print not finished leaves nothing.
    ~PageWriter() { Discard(); }

    // False when the printer cannot be painted on. painted is called after each page.
    bool Paint(const Laid& on, const QVector<Page>& pages, const std::function<void(const Page&)>& painted = {})
    {
        if (pages.isEmpty())
            return true;
        if (!painter.isActive()) {
            if (written > 0)
                return false;
            partial = std::make_unique<PartialPdf>(printer);
            if (!painter.begin(printer)) {
                qCWarning(lcReporting) << "the printer cannot be painted on";
                partial->BeginFailed();
                Fail();
                return false;
            }
        }
        QAbstractTextDocumentLayout* layout = on.document->documentLayout();
        for (const Page& page : pages) {
            const qreal headerHeight = page.header.headerBottom - page.header.headerTop;
            if (written > 0)
                printer->newPage();
            if (headerHeight > 0)
                DrawBand(&painter, layout, on.grids, body.width(), page.header.headerTop, page.header.headerBottom, margin);
            DrawBand(&painter, layout, on.grids, body.width(), page.top, page.bottom, margin + headerHeight);

            painter.save();
            painter.setFont(numberFont);
            const QString number = QString::number(++written);
            painter.drawText(QPointF(qRound(numberPos.x() - painter.fontMetrics().horizontalAdvance(number)),
                                     qRound(numberPos.y())),
                             number);
            painter.restore();
            if (painted)
                painted(page);
        }
        return true;
    }

    // After the last page: the printer let go and a PDF given its own name. False when the file did not
    // reach the disk whole or could not take its name.
    bool Finish()
    {
        if (!painter.isActive())
            return true;
        if (painter.end() && partial->Complete()) {
            partial.reset();
            return true;
        }
        Fail();
        return false;
    }

    // Nothing is printed, for the reason given: a file written here is removed.
    void GiveUp(PrintFailure::Kind kind)
    {
        Discard();
        if (failure)
            *failure = PrintFailure{kind, QString(), QString()};
    }

private:
    void Discard()
    {
        if (painter.isActive()) {
            printer->abort();
            painter.end();
        }
        partial.reset();
    }

    void Fail()
    {
        if (failure) {
            *failure = partial && partial->WritesFile()
                           ? partial->Failure()
                           : PrintFailure{PrintFailure::PrinterFailed, printer->printerName(), QString()};
        }
        Discard();
    }

    QPrinter* printer;
    QPainter painter;
    std::unique_ptr<PartialPdf> partial;
    const QFont numberFont;
    const QRectF body;
    const int margin;
    const QPointF numberPos;
    PrintFailure* failure;
    int written = 0;
};

// What became of a laid-out part: done with (the document's last pages painted), refused by the
// printer, too short for one whole page (a larger part is needed), or its whole pages painted, the
// next part starting at restart.
enum class PartEnd { Done, Failed, TooShort, Continues };

// Cuts the part's pages from top on and paints them. topOf(i) gives the top edge of unit or row i
// in the part, -1 where no part may start; the next part starts with the one that the unfinished
// page starts in, looked for among from..to-1.
template <typename TopOf>
PartEnd PrintPart(PageWriter* writer, const Laid& part, const Sheet& sheet, qreal end, qreal stopAt, qreal* top,
                  Cut* header, int from, int to, TopOf topOf, int* restart,
                  const std::function<void(const Page&)>& painted = {})
{
    QVector<Page> pages;
    if (Paginate(part, sheet, end, stopAt, top, header, &pages))
        return writer->Paint(part, pages, painted) ? PartEnd::Done : PartEnd::Failed;
    *restart = -1;
    for (int i = from; i < to; ++i) {
        const qreal y = topOf(i);
        if (y >= 0 && y <= *top + 1e-6)
            *restart = i;
    }
    if (pages.isEmpty() || *restart < 0 || stopAt < 0)
        return PartEnd::TooShort;
    // The part's pages are painted and the part let go before the next is laid out.
    return writer->Paint(part, pages, painted) ? PartEnd::Continues : PartEnd::Failed;
}

} // namespace

bool DocumentPrinter::Print(QTextDocument* document, QPrinter* printer, int partHeight, PrintFailure* failure)
{
    const int margin = PrintMargin(printer);
    const QHash<QTextTable*, QPen> pens = PrepareForPrinter(document, printer, margin);
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    const QRectF body(0, 0, printer->width(), printer->height());
    const Sheet sheet{qreal(margin), body.height()};
    PageWriter writer(printer, document->defaultFont(), body, margin, failure);

    // Qt draws no text line placed 2^23 pixels or more down its layout, and its layout positions
    // are fixed-point numbers that end at 2^25 pixels: a document taller than a part is laid out
    // and printed in parts, each cut into whole pages. The height is estimated from the document's
    // rows first, so that a document too tall is not laid out whole only to be measured: a third of the
    // time of a long list's print. Rows of one line come to a quarter more than the estimate, and rows
    // of two lines to nearly twice it, so one that fills half a part is printed in parts at once.
    const qreal lineHeight = QFontMetricsF(document->defaultFont(), printer).lineSpacing();
    const qreal least = LeastHeight(document, lineHeight, printer->logicalDpiY() / 96.0) + 2 * margin;
    bool whole = least < partHeight / 2.0;
    Laid one;
    if (whole) {
        // One page as tall as the whole document: laid out once, cut into pages below.
        document->setTextWidth(body.width());
        const qreal height = layout->documentSize().height();
        whole = height < partHeight;
        if (whole) {
            one.document = document;
            for (auto it = pens.cbegin(); it != pens.cend(); ++it)
                one.grids[it.key()].pen = it.value();
            one.cuts = Cuts(document, &one.grids);
            // Positions past the fixed-point range wrap round: such a layout is no measure.
            whole = one.cuts.isEmpty() || (one.cuts.constFirst().y >= 0 && one.cuts.constLast().y <= height + 1);
        }
    }
    if (whole) {
        const qreal end = layout->documentSize().height() - margin;
        qreal top = margin;
        Cut header;
        QVector<Page> pages;
        Paginate(one, sheet, end, end, &top, &header, &pages);
        return writer.Paint(one, pages) && writer.Finish();
    }
    one = Laid();

    document->setPageSize(QSizeF(0, 0));
    const QVector<Unit> units = Units(document);
    QHash<QTextTable*, QTextTableFormat> formats;
    for (const Unit& unit : units) {
        if (unit.table && unit.to - unit.from < unit.table->rows() && !formats.contains(unit.table)) {
            QTextTableFormat format = unit.table->format();
            format.setColumnWidthConstraints(ColumnWidths(unit.table, document, printer, body.width()));
            formats.insert(unit.table, format);
        }
    }
    const qreal target = partHeight / 2.0;
    int start = 0;         // the unit the next part starts with
    qreal offset = margin; // where its next page starts, below the unit's top
    bool underHeader = false;
    bool atDocumentTop = true;
    int count = 64;
    int atLeast = 2; // units a part needs to hold one whole page
    for (;;) {
        const int last = std::min<int>(units.size(), start + std::max(count, 2));
        Laid part;
        QHash<QTextTable*, QTextTable*> copies;
        QVector<QTextTable*> unitTables;
        part.owned = LayPart(document, printer, body.width(), units, start, last, formats, &copies, &unitTables);
        part.document = part.owned.get();
        QAbstractTextDocumentLayout* partLayout = part.document->documentLayout();
        const qreal height = partLayout->documentSize().height();
        if (height >= partHeight) {
            if (last - start <= atLeast) {
                writer.GiveUp(PrintFailure::TooLong);
                return false;
            }
            count = std::max(atLeast, (last - start) / 2);
            continue;
        }
        for (auto it = copies.cbegin(); it != copies.cend(); ++it) {
            if (pens.contains(it.value()))
                part.grids[it.key()].pen = pens.value(it.value());
        }
        part.cuts = Cuts(part.document, &part.grids, &part.rowTops);
        // A table unit's top edge in the part; -1 for the other units, where no part starts.
        auto unitTop = [&](int u) {
            const Unit& unit = units.at(u);
            if (!unit.table)
                return qreal(-1);
            // In a part that goes on with a table, its header rows come first.
            const int shift = units.at(start).table == unit.table && units.at(start).from > 0
                                  ? unit.table->format().headerRowCount() - units.at(start).from
                                  : 0;
            return part.rowTops.value(unitTables.at(u - start)).value(unit.from + shift, -1);
        };
        const bool final = last == units.size();
        const qreal end = partLayout->documentSize().height() - margin;
        // The last unit only shows where the one before it ends.
        qreal stopAt = end;
        if (!final) {
            const Unit& next = units.at(last - 1);
            if (next.table)
                stopAt = unitTop(last - 1);
            else if (next.frame)
                stopAt = partLayout->frameBoundingRect(part.document->rootFrame()->childFrames().constLast()).top();
            else
                stopAt = partLayout->blockBoundingRect(part.document->lastBlock()).top();
        }
        qreal top = atDocumentTop ? offset : unitTop(start) + offset;
        Cut header;
        if (underHeader) {
            // The header rows at the top of the part's table.
            QTextTable* table = unitTables.at(0);
            const QVector<qreal> tops = part.rowTops.value(table);
            const int headerRows = units.at(start).table->format().headerRowCount();
            if (headerRows > 0 && headerRows < tops.size())
                header = Cut{top, tops.at(0), tops.at(headerRows)};
        }
        int restart = -1;
        const PartEnd ended = PrintPart(&writer, part, sheet, end, stopAt, &top, &header, start, last - 1,
                                        unitTop, &restart);
        if (ended == PartEnd::Done)
            return writer.Finish();
        if (ended == PartEnd::Failed)
            return false;
        if (ended == PartEnd::TooShort) {
            // Not one whole page: a larger part, unless it cannot grow.
            if (height >= target || last == units.size()) {
                writer.GiveUp(PrintFailure::TooLong);
                return false;
            }
            atLeast = last - start + 1;
            count = (last - start) * 2;
            continue;
        }
        offset = top - unitTop(restart);
        underHeader = header.headerBottom > header.headerTop;
        count = std::max(2, int((last - start) * target / std::max<qreal>(height, 1)));
        start = restart;
        atDocumentTop = false;
        atLeast = 2;
    }
}

DocumentPrinter::WidthRows::WidthRows(int columns)
    : widest(columns)
    , longestWord(columns)
{
}

QFont DocumentPrinter::WidthRows::PrintFont(const QFont& documentFont)
{
    // Text of scripts that need no shaping is laid out without it (Qt still shapes the
    // scripts that need it): a tenth of a long list's time, for kerning that a list does not need.
    QFont font = documentFont;
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

void DocumentPrinter::WidthRows::SetFont(const QFont& font, const QPaintDevice* device)
{
    advances = Advances(font, device);
}

void DocumentPrinter::WidthRows::AddText(int row, int column, const QString& text)
{
    if (advances.isEmpty())
        return;
    qreal line = 0;
    qreal word = 0;
    qreal longest = 0;
    // An empty cell holds the no-break space it is written as.
    for (QChar ch : text.isEmpty() ? QString(QChar(QChar::Nbsp)) : text) {
        const qreal w = ch.unicode() < 256 ? advances.at(ch.unicode()) : advances.at(256);
        line += w;
        word = ch.isSpace() ? 0 : word + w;
        longest = std::max(longest, word);
    }
    Add(row, column, line, longest);
}

void DocumentPrinter::WidthRows::Add(int row, int column, qreal widestLine, qreal word)
{
    constexpr int candidates = 8;
    for (auto* list : {&widest[column], &longestWord[column]}) {
        const qreal value = list == &widest[column] ? widestLine : word;
        if (list->size() < candidates || value > list->constFirst().first) {
            list->append({value, row});
            std::sort(list->begin(), list->end());
            if (list->size() > candidates)
                list->removeFirst();
        }
    }
}

QVector<int> DocumentPrinter::WidthRows::Rows() const
{
    QVector<int> rows;
    for (int c = 0; c < widest.size(); ++c) {
        for (const auto& list : {widest.at(c), longestWord.at(c)}) {
            for (const auto& entry : list)
                rows << entry.second;
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void DocumentPrinter::List::Add(QVector<QString> slice)
{
    QMutexLocker lock(&mutex);
    waiting += slice.size();
    slices.push_back(std::move(slice));
    added.wakeAll();
}

int DocumentPrinter::List::Waiting()
{
    QMutexLocker lock(&mutex);
    return waiting;
}

bool DocumentPrinter::List::Take(QVector<QString>* slice)
{
    {
        QMutexLocker lock(&mutex);
        while (slices.empty() && handed < rows) {
            if (starved)
                starved();
            added.wait(&mutex);
        }
        if (slices.empty())
            return false;
        *slice = std::move(slices.front());
        slices.pop_front();
        waiting -= slice->size();
        handed += slice->size();
    }
    if (taken)
        taken();
    return true;
}

bool DocumentPrinter::PrintList(List* list, QPrinter* printer, int sliceRows, int partHeight, PrintFailure* failure)
{
    const int margin = PrintMargin(printer);
    const QRectF body(0, 0, printer->width(), printer->height());
    const Sheet sheet{qreal(margin), body.height()};
    auto make = [&](const QString& html) {
        auto document = std::make_unique<QTextDocument>();
        document->setUndoRedoEnabled(false);
        document->setPageSize(QSizeF(0, 0));
        document->setHtml(html);
        return document;
    };
    auto tableOf = [](QTextDocument* document) -> QTextTable* {
        for (auto it = document->rootFrame()->begin(); !it.atEnd(); ++it) {
            if (auto* table = qobject_cast<QTextTable*>(it.currentFrame()))
                return table;
        }
        return nullptr;
    };

    // The column widths of the whole table, from its header row and the rows chosen by their texts.
    QVector<QTextLength> widths;
    QFont numberFont;
    {
        QString html = list->prologue + list->tableHead;
        for (const QString& row : qAsConst(list->widthRows))
            html += row;
        html += list->tail;
        const std::unique_ptr<QTextDocument> probe = make(html);
        PrepareForPrinter(probe.get(), printer, margin);
        numberFont = probe->defaultFont();
        probe->setTextWidth(body.width());
        if (QTextTable* table = tableOf(probe.get()))
            widths = ColumnLengths(table, probe.get(), printer);
    }
    PageWriter writer(printer, numberFont, body, margin, failure);
    QElapsedTimer sinceCount;
    sinceCount.start();

    std::deque<QString> held; // the rows from heldFrom on, taken and not yet printed
    int heldFrom = 0;
    int next = 0;          // the first row of the part to lay out
    qreal offset = margin; // where its first page starts, below the row's top
    bool atDocumentTop = true;
    bool underHeader = false;
    int count = std::max(2, sliceRows);
    int atLeast = 2; // rows a part needs to hold one whole page
    for (;;) {
        QVector<QString> slice;
        while (heldFrom + int(held.size()) < std::min(list->rows, next + count) && list->Take(&slice)) {
            for (QString& row : slice)
                held.push_back(std::move(row));
        }
        const int last = std::min(heldFrom + int(held.size()), next + count);
        const bool final = last >= list->rows;

        QString html = list->prologue;
        if (atDocumentTop)
            html += list->heading;
        html += list->tableHead;
        for (int r = next; r < last; ++r)
            html += held.at(size_t(r - heldFrom));
        html += list->tail;
        Laid part;
        part.owned = make(html);
        html = QString();
        part.document = part.owned.get();
        const QHash<QTextTable*, QPen> pens = PrepareForPrinter(part.document, printer, margin);
        QTextTable* table = tableOf(part.document);
        if (table && widths.size() == table->columns()) {
            QTextTableFormat format = table->format();
            format.setColumnWidthConstraints(widths);
            table->setFormat(format);
        }
        part.document->setTextWidth(body.width());
        QAbstractTextDocumentLayout* layout = part.document->documentLayout();
        const qreal height = layout->documentSize().height();
        if (height >= partHeight) {
            if (last - next <= atLeast) {
                writer.GiveUp(PrintFailure::TooLong);
                return false;
            }
            count = std::max(atLeast, (last - next) / 2);
            continue;
        }
        for (auto it = pens.cbegin(); it != pens.cend(); ++it)
            part.grids[it.key()].pen = it.value();
        part.cuts = Cuts(part.document, &part.grids, &part.rowTops);
        const int headerRows = table ? std::max(0, table->format().headerRowCount()) : 0;
        const QVector<qreal> tops = part.rowTops.value(table);
        // A row's top edge in the part, below the table's header rows.
        auto rowTop = [&](int r) { return tops.value(headerRows + r - next, -1); };
        const qreal end = height - margin;
        // The last row only shows where the one before it ends.
        const qreal stopAt = final ? end : rowTop(last - 1);
        qreal top = atDocumentTop ? offset : rowTop(next) + offset;
        Cut header;
        if (underHeader && headerRows > 0 && headerRows < tops.size())
            header = Cut{top, tops.at(0), tops.at(headerRows)};
        // The rows printed up to a page's foot: those of the part that start above it. Counted a few times a
        // second: at every page, the screen's thread repainting the count costs the print a tenth more time.
        auto painted = [&](const Page& page) {
            if (!list->printed || sinceCount.elapsed() < list->countInterval)
                return;
            sinceCount.restart();
            const auto rowsFrom = tops.cbegin() + std::min(headerRows, int(tops.size()));
            list->printed(next + int(std::lower_bound(rowsFrom, tops.cend(), page.bottom - 0.5) - rowsFrom));
        };
        int restart = -1;
        const PartEnd ended = PrintPart(&writer, part, sheet, end, stopAt, &top, &header, next, last - 1,
                                        rowTop, &restart, painted);
        if (ended == PartEnd::Done)
            return writer.Finish();
        if (ended == PartEnd::Failed)
            return false;
        if (ended == PartEnd::TooShort) {
            // Not one whole page: a larger part, unless it cannot grow.
            if (final || height >= partHeight / 2.0) {
                writer.GiveUp(PrintFailure::TooLong);
                return false;
            }
            atLeast = last - next + 1;
            count = (last - next) * 2;
            continue;
        }
        offset = top - rowTop(restart);
        underHeader = header.headerBottom > header.headerTop;
        for (; heldFrom < restart; ++heldFrom)
            held.pop_front();
        next = restart;
        atDocumentTop = false;
        count = std::max(2, sliceRows);
        atLeast = 2;
    }
}

void DocumentPrinter::run()
{
    if (debug)
        qCDebug(lcReporting) << "DocumentPrinter::run";
    done = false;
    failure = PrintFailure();
    if (list) {
        PrintList(list, printer, sliceRows, DefaultPartHeight, &failure);
        done = true;
        return;
    }
    document = new QTextDocument;
    document->setPageSize(QSizeF(0, 0)); // laid out once, by Print
    document->setHtml(*html);
    Print(document, printer, DefaultPartHeight, &failure);
    // The creator deletes the document on its own thread, so the document's layout
    // timers must belong to that thread too.
    document->moveToThread(thread());
    done = true;
}
