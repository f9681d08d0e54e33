#include "partialpdf.h"

#include "reporting.h"
#include "writtenpdf.h"

#include <QFile>
#include <QPrinter>

PartialPdf::PartialPdf(QPrinter* printer)
    : printer(printer)
{
    if (printer->outputFormat() != QPrinter::PdfFormat || printer->outputFileName().isEmpty())
        return;
    path = printer->outputFileName();
    QFile::remove(PartialPdfPath(path));
    printer->setOutputFileName(PartialPdfPath(path));
}

PartialPdf::~PartialPdf()
{
    if (path.isEmpty())
        return;
    QFile::remove(PartialPdfPath(path));
    printer->setOutputFileName(path);
}

bool PartialPdf::Complete()
{
    if (path.isEmpty())
        return true;
    const QString partial = PartialPdfPath(path);
    printer->setOutputFileName(path);
    path.clear();
    // A file left under the name since the print began (a print of another program) gives way to this one.
    QFile::remove(printer->outputFileName());
    if (QFile::rename(partial, printer->outputFileName()))
        return true;
    qCWarning(lcReporting).noquote() << "the PDF could not be renamed to" << printer->outputFileName();
    QFile::remove(partial);
    return false;
}
