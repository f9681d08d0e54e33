#include "partialpdf.h"

#include "reporting.h"
#include "writtenpdf.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPrinter>

namespace {

// The reason writing to the file fails now, asked of the system by writing to it once more (the print library
// keeps its own file's error to itself); empty when the writes are taken.
QString WriteError(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const QByteArray block(64 * 1024, '\n');
    // A write that fills the disk is taken in part; the next one says why it fails.
    for (int i = 0; i < 16; ++i) {
        if (file.write(block) < 0)
            return file.errorString();
    }
    return QString();
}

// The print library does not say when its writes fail (a full disk, a file-size limit): the painter ends well over
// a file cut short. A PDF is whole when it ends in its trailer and its cross-reference table stands where the trailer
// says: the library counts the bytes it wrote itself, so a byte lost anywhere before the table moves it.
bool WholePdf(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    const qint64 tailSize = std::min<qint64>(size, 1024);
    if (!file.seek(size - tailSize))
        return false;
    // "startxref", the table's offset, "%%EOF".
    const QByteArray tail = file.read(tailSize).trimmed();
    const int at = tail.lastIndexOf("startxref");
    if (!tail.endsWith("%%EOF") || at < 0)
        return false;
    bool ok = false;
    const qint64 table = tail.mid(at + 9).simplified().split(' ').value(0).toLongLong(&ok);
    if (!ok || table < 0 || table >= size || !file.seek(table) || file.read(4) != "xref")
        return false;
    return true;
}

} // namespace

PartialPdf::PartialPdf(QPrinter* printer)
    : printer(printer)
{
    if (printer->outputFormat() != QPrinter::PdfFormat || printer->outputFileName().isEmpty())
        return;
    path = printer->outputFileName();
    QFile::remove(PartialPdfPath(path));
    printer->setOutputFileName(PartialPdfPath(path));
    redirected = true;
}

PartialPdf::~PartialPdf()
{
    if (!redirected)
        return;
    QFile::remove(PartialPdfPath(path));
    printer->setOutputFileName(path);
}

void PartialPdf::BeginFailed()
{
    if (!redirected)
        return;
    QFile probe(PartialPdfPath(path));
    if (!probe.open(QIODevice::WriteOnly))
        error = probe.errorString();
}

bool PartialPdf::Complete()
{
    if (!redirected)
        return true;
    const QString partial = PartialPdfPath(path);
    printer->setOutputFileName(path);
    redirected = false;
    bool ok = WholePdf(partial, &error);
    if (!ok && error.isEmpty())
        error = WriteError(partial);
    if (ok) {
        // A file left under the name since the print began (a print of another program) gives way to this one;
        // one that cannot be removed stays as it was, and is not taken for this print.
        QFile old(path);
        if (old.exists() && !old.remove()) {
            error = old.errorString();
            ok = false;
        }
    }
    if (ok) {
        QFile file(partial);
        ok = file.rename(path);
        if (!ok)
            error = file.errorString();
    }
    if (!ok) {
        qCWarning(lcReporting).noquote() << "the PDF could not be written to" << path << error;
        QFile::remove(partial);
    }
    return ok;
}

PrintFailure PartialPdf::Failure() const
{
    return PrintFailure{PrintFailure::PdfNotWritten, path, error};
}

void PartialPdf::TellNotWritten(const PrintFailure& failure, QWidget* parent)
{
    const QString file = QDir::toNativeSeparators(failure.path);
    const QString text = failure.reason.isEmpty()
                             ? tr("The PDF file %1 could not be written. Nothing was saved.").arg(file)
                             : tr("The PDF file %1 could not be written: %2. Nothing was saved.").arg(file, failure.reason);
    QMessageBox::warning(parent, tr("PDF Print"), text, QMessageBox::Ok);
}
