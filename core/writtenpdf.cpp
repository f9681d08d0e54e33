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
#include <QProcess>
#include <QUrl>

#include <optional>

namespace {

enum class PdfApplication { Registered, None, Unknown };

// xdg-open starts (and openUrl reports success) even when no program takes PDF files, so the
// desktop's own registry is asked. Without xdg-mime, or when it fails, nothing can be told.
PdfApplication AskDesktop()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("application/pdf")});
    if (!query.waitForStarted(2000))
        return PdfApplication::Unknown;
    if (!query.waitForFinished(2000)) {
        query.kill();
        query.waitForFinished(1000);
        qCDebug(lcCore) << "xdg-mime did not answer in time";
        return PdfApplication::Unknown;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return PdfApplication::Unknown;
    return query.readAllStandardOutput().trimmed().isEmpty() ? PdfApplication::None : PdfApplication::Registered;
}

// Asking costs tens of milliseconds on the screen's thread (seconds when xdg-mime hangs), at every
// receipt printed to PDF, so it is asked once for each PATH it is looked up on, whatever it answers.
PdfApplication DesktopPdfApplication()
{
    static std::optional<QByteArray> askedOnPath;
    static PdfApplication answer = PdfApplication::Unknown;
    const QByteArray path = qgetenv("PATH");
    if (askedOnPath != path) {
        answer = AskDesktop();
        askedOnPath = path;
    }
    return answer;
}

} // namespace

void OpenWrittenPdf(const QString& path, QWidget* parent)
{
    const PdfApplication application = DesktopPdfApplication();
    const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    QString text;
    if (application == PdfApplication::None) {
        qCDebug(lcCore).noquote() << "No PDF application registered for" << path;
        text = QCoreApplication::translate("OpenWrittenPdf", "No PDF application is registered on this desktop. The "
                                                             "PDF file was written to:\n%1");
    } else if (!opened) {
        qCDebug(lcCore).noquote() << "No program opened" << path;
        text = QCoreApplication::translate("OpenWrittenPdf", "No program to show PDF files was found. The PDF file was "
                                                             "written to:\n%1");
    } else {
        return;
    }
    QMessageBox::information(parent, QCoreApplication::translate("OpenWrittenPdf", "PDF File"),
                             text.arg(QDir::toNativeSeparators(path)), QMessageBox::Ok);
}

bool ClearOldPdf(const QString& path, bool retryWithPermissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(PartialPdfPath(path));
    if (!QFileInfo::exists(path) || RemoveOldFile(path, retryWithPermissions))
        return true;
    QMessageBox::warning(AppSettings::Instance()->mainWindow, QCoreApplication::translate("ClearOldPdf", "PDF Print"),
                         QCoreApplication::translate("ClearOldPdf", "File [%1] is already opened, or locked. Please "
                                                                    "close this PDF file and print again.")
                             .arg(QFileInfo(path).absoluteFilePath()),
                         QMessageBox::Ok);
    return false;
}

bool RemoveOldFile(const QString& path, bool makeWritable)
{
    QFile file(path);
    if (file.remove())
        return true;
    const QFileInfo info(path);
    if (!makeWritable || info.isSymLink() || !info.isFile())
        return false;
    const QFileDevice::Permissions before = file.permissions();
    if (!file.setPermissions(before | QFileDevice::WriteOwner))
        return false;
    if (file.remove())
        return true;
    file.setPermissions(before);
    return false;
}

QString PartialPdfPath(const QString& path)
{
    return path + QStringLiteral(".part");
}
