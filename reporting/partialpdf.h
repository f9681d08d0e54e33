#pragma once

#include <QCoreApplication>
#include <QString>

class QPrinter;
class QWidget;

// Why a print gave nothing. Nothing is left of such a print: no file under its name, no partial file.
struct PrintFailure
{
    enum Kind {
        None,
        TooLong,       // a row or block taller than a part can hold
        PrinterFailed, // a paper printer that could not be started
        PdfNotWritten, // a PDF whose file could not be made, written whole or named
    };
    Kind kind = None;
    QString path;   // the PDF's own name, or the printer's
    QString reason; // the system's, where it gave one
};

// Points a PDF printer at its file's partial name (PartialPdfPath) while it is painted, and renames the file to its
// own name once complete: a print ended midway leaves no broken file under the name a user opens. A printer that
// writes no file of its own (a paper printer, a preview) is left as it is.
class PartialPdf
{
    Q_DECLARE_TR_FUNCTIONS(PartialPdf)
public:
    // Before the printer's painter begins.
    explicit PartialPdf(QPrinter* printer);
    // An incomplete file is removed; the printer has its own file name again.
    ~PartialPdf();
    PartialPdf(const PartialPdf&) = delete;
    PartialPdf& operator=(const PartialPdf&) = delete;

    // The printer writes a PDF file.
    bool WritesFile() const { return !path.isEmpty(); }

    // After the painter could not begin: finds why its file could not be made.
    void BeginFailed();
    // After the painter ended (the file closed): false, the partial file removed, when a byte of it did not reach
    // the disk or it could not take its own name.
    bool Complete();

    // What the failure is, for the user, with the system's reason where it gave one.
    PrintFailure Failure() const;
    // Tells the user that the PDF at path could not be written, with the system's reason if any.
    static void TellNotWritten(const PrintFailure& failure, QWidget* parent);

private:
    QPrinter* printer;
    QString path; // the printer's own file; empty when it writes none
    bool redirected = false; // painted under the partial name, not yet renamed
    QString error; // the system's reason for the last failure
};
