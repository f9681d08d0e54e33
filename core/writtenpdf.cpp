#include "writtenpdf.h"

#include "appsettings.h"
#include "corelog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
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

bool ClearOldPdf(const QString& path, bool retryWithPermissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile pdf(path);
    if (!pdf.exists() || pdf.remove())
        return true;
    if (retryWithPermissions) {
        pdf.setPermissions(pdf.permissions() | QFileDevice::ReadOther | QFileDevice::WriteOther);
        if (pdf.remove())
            return true;
    }
    QMessageBox::warning(AppSettings::Instance()->mainWindow, QCoreApplication::translate("ClearOldPdf", "PDF Print"),
                         QCoreApplication::translate("ClearOldPdf", "File [%1] is already opened, or locked. Please "
                                                                    "close this PDF file and print again.")
                             .arg(QFileInfo(path).absoluteFilePath()),
                         QMessageBox::Ok);
    return false;
}
