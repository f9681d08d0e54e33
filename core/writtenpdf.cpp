#include "writtenpdf.h"

#include "corelog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QUrl>

void OpenWrittenPdf(const QString& path, QWidget* parent)
{
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return;
    qCDebug(lcCore).noquote() << "No program opened" << path;
    QMessageBox::information(parent, QCoreApplication::translate("OpenWrittenPdf", "PDF File"),
                             QCoreApplication::translate("OpenWrittenPdf",
                                                         "No program to show PDF files was found. The PDF file was "
                                                         "written to:\n%1")
                                 .arg(QDir::toNativeSeparators(path)),
                             QMessageBox::Ok);
}
