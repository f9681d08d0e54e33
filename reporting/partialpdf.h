#pragma once

#include <QString>

class QPrinter;

// Points a PDF printer at its file's partial name (PartialPdfPath) while it is painted, and renames the file to its
// own name once complete: a print ended midway leaves no broken file under the name a user opens. A printer that
// writes no file of its own (a paper printer, a preview) is left as it is.
class PartialPdf
{
public:
    // Before the printer's painter begins.
    explicit PartialPdf(QPrinter* printer);
    // An incomplete file is removed; the printer has its own file name again.
    ~PartialPdf();
    PartialPdf(const PartialPdf&) = delete;
    PartialPdf& operator=(const PartialPdf&) = delete;

    // After the painter ended (the file closed): false when the file could not take its name.
    bool Complete();

private:
    QPrinter* printer;
    QString path; // the printer's own file; empty when nothing is redirected
};
