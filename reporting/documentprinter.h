#pragma once

#include "partialpdf.h"

#include <QFont>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

#include <atomic>
#include <deque>
#include <functional>

class QPaintDevice;
class QPrinter;
class QTextDocument;

// Lays out and prints an HTML document off the GUI thread. The creator owns the
// text and the printer, keeps them untouched until `done`, then deletes `document`.
class DocumentPrinter : public QThread
{
    Q_OBJECT
public:
    using QThread::QThread;

    // Prints a document as QTextDocument::print would (2 cm margins, page numbers
    // at the foot), but lays it out only once and cuts its tables between rows,
    // repeating their header rows, so a page draws only what it shows. The document's
    // page size, margins, default font and table borders are set for the printer:
    // a document that is also shown on screen is printed from a copy.
    // A document shorter than partHeight pixels is laid out once, unless its rows alone fill half of it;
    // a taller one in parts of at most that height, each cut into whole pages, painted and let go before
    // the next is laid out.
    // Returns false, and prints nothing (failure says why), when some row or block of the document is
    // taller than a part can hold, the printer cannot be painted on, or a PDF does not reach its file whole.
    static bool Print(QTextDocument* document, QPrinter* printer, int partHeight = DefaultPartHeight,
                      PrintFailure* failure = nullptr);

    // Some three quarters of 2^23 pixels, where Qt stops drawing the lines of a layout.
    static constexpr int DefaultPartHeight = 6000000;

    // The rows of a long table to lay out with its header rows to find the whole table's column
    // widths: per column those whose texts are the widest and those with the longest words.
    class WidthRows
    {
    public:
        explicit WidthRows(int columns);
        // A cell's text of one line in the font, measured as the rows are read.
        void AddText(int row, int column, const QString& text);
        void Add(int row, int column, qreal widest, qreal longestWord);
        QVector<int> Rows() const; // ascending
        // Measures texts in a font on a device; unset, AddText measures nothing.
        void SetFont(const QFont& font, const QPaintDevice* device);
        // The font that the cells of a document printed on the device are laid out in.
        static QFont PrintFont(const QFont& documentFont);

    private:
        QVector<QVector<QPair<qreal, int>>> widest;
        QVector<QVector<QPair<qreal, int>>> longestWord;
        QVector<qreal> advances; // the Latin-1 characters', then the estimate for others
    };

    // A list printed a slice of its rows at a time: the rows come as HTML table rows (one
    // "<tr>…</tr>" each), handed over slice by slice while the printing goes on.
    struct List
    {
        QString prologue;  // from "<html>" to "<body …>"
        QString heading;   // what stands above the table on the first page
        QString tableHead; // the table's start and its header row
        QString tail;      // the table's end and the document's
        QVector<QString> widthRows; // the rows that WidthRows chose, for the column widths
        int rows = 0;

        // Hands rows over (creator's thread); Finish after the last.
        void Add(QVector<QString> slice);
        // Rows handed over and not yet taken (creator's thread).
        int Waiting();
        // Called on the printing thread each time it takes a slice.
        std::function<void()> taken;
        // Called on the printing thread as it paints pages, with the rows printed so far, at most once in
        // countInterval milliseconds.
        std::function<void(int rows)> printed;
        int countInterval = 250;
        // Called on the printing thread, the list locked, each time it finds no rows handed over and waits.
        std::function<void()> starved;

    private:
        friend class DocumentPrinter;
        bool Take(QVector<QString>* slice);
        QMutex mutex;
        QWaitCondition added;
        std::deque<QVector<QString>> slices;
        int waiting = 0;
        int handed = 0;
    };

    // Prints the list as Print would print the one document of all its rows, laying out a part of
    // at most sliceRows rows at a time, each painted and let go before the next is laid out.
    // False, failure saying why, as for Print.
    static bool PrintList(List* list, QPrinter* printer, int sliceRows, int partHeight = DefaultPartHeight,
                          PrintFailure* failure = nullptr);

    std::atomic<bool> done{false};
    bool debug = false;
    QTextDocument* document = nullptr;
    QString* html = nullptr;
    QPrinter* printer = nullptr;
    // Printed instead of html when set, sliceRows rows at a time.
    List* list = nullptr;
    int sliceRows = 0;
    // Why nothing was printed; kind None when it was.
    PrintFailure failure;

protected:
    void run() override;
};
