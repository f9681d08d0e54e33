#pragma once

#include <QThread>

#include <atomic>

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
    // A document shorter than partHeight pixels is laid out once; a taller one in parts of at
    // most that height, each cut into whole pages, painted and let go before the next is laid out.
    // Returns false, and prints nothing, when some row or block of the document is taller than a
    // part can hold.
    static bool Print(QTextDocument* document, QPrinter* printer, int partHeight = DefaultPartHeight);

    // Some three quarters of 2^23 pixels, where Qt stops drawing the lines of a layout.
    static constexpr int DefaultPartHeight = 6000000;

    std::atomic<bool> done{false};
    bool debug = false;
    QTextDocument* document = nullptr;
    QString* html = nullptr;
    QPrinter* printer = nullptr;
    // False when nothing was printed, the document being too long to be printed whole.
    bool printedWhole = true;

protected:
    void run() override;
};
