// The import command: file choice, checks of the file, the run and its closing message.
#include "inventoryimporter.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "inventorycsv.h"
#include "inventoryimport.h"
#include "progress.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QSettings>
#include <QTextCodec>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

namespace {

// The encoding the file is read in: a byte-order mark names it, else the local 8-bit encoding.
QTextCodec* CodecOf(QFile& file)
{
    const QByteArray start = file.peek(4);
    return QTextCodec::codecForUtfText(start, QTextCodec::codecForLocale());
}

} // namespace

void InventoryImporter::on_pushImport_clicked()
{
    QSettings* settings = AppSettings::Instance()->settings;
    const InventoryCsv::Layout layout = InventoryCsv::Layout::FromSettings();
    const QString delimiter = InventoryCsv::DelimiterName(layout.delimiterSetting);
    const QString columns = QString::number(layout.columns);
    ErrorDialog notice(
        QString(), tr("Import Inventory"),
        tr("<p>CSV file stands for <b>comma separate values</b>, and normally comma(,) acts as data delimiter. In "
           "Vorantel you can choose comma(,) or semicolon (;) or (Tab) character as  data delimiters. This can be "
           "changed from Settings dialog under general settings. </p> <p>According to your current settings your "
           "delimiter is set to <b>%1</b> . This means your import file should have values separated by <b>%2</b> "
           "delimiter.</p> <p>Number of columns in the CSV file depend on whether you have selected <b>Sub Items "
           "Mode</b> under general settings page of Settings dialog. According to your current selection, there  "
           "should be <b>%3</b> columns in the CSV file. Please make sure your import file conforms to these rules, "
           "otherwise import operation will fail. </p>")
            .arg(delimiter, delimiter, columns),
        AppSettings::Instance()->mainWindow, true, true);
    notice.exec();

    const QString path =
        QFileDialog::getOpenFileName(this, tr("Open File"), settings->value(QStringLiteral("RECENT_LOCATION"), QString()).toString(),
                                     tr("Data Files (*.txt *.csv)"));
    if (path.isEmpty())
        return;
    settings->setValue(QStringLiteral("RECENT_LOCATION"), path);
    if (importFile.isOpen())
        importFile.close();
    importFile.setFileName(path);
    // Read as bytes: a text-mode read drops every carriage-return byte, which tears UTF-16 and UTF-32 text.
    // The stream still takes CR LF as a line end.
    if (!importFile.open(QIODevice::ReadOnly))
        return;
    if (!CheckImportFile())
        return;

    importPending = true;
    QTimer::singleShot(10, this, &InventoryImporter::ImportStockData);
    progress = new Progress(AppSettings::Instance()->mainWindow, tr("Import operation started. Please wait...   "));
    progress->exec();
    // A busy box closed before its timer fired (Escape) must not leave the file unread.
    if (importPending)
        ImportStockData();
}

bool InventoryImporter::CheckImportFile()
{
    QWidget* parent = AppSettings::Instance()->mainWindow;
    if (importFile.size() == 0) {
        QMessageBox::warning(parent, tr("Import/Update"),
                             tr("The file %1 is empty. Nothing was imported.").arg(importFile.fileName()));
        return false;
    }
    QTextCodec* codec = CodecOf(importFile);
    QScopedPointer<QTextDecoder> decoder(codec->makeDecoder());
    bool text = true;
    while (text && !importFile.atEnd()) {
        const QString chunk = decoder->toUnicode(importFile.read(1 << 16));
        text = !decoder->hasFailure() && !chunk.contains(QChar(0));
    }
    importFile.seek(0);
    if (!text) {
        QMessageBox::warning(parent, tr("Import/Update"),
                             tr("The file %1 is not a text file in the %2 encoding. A file in another encoding must "
                                "begin with its byte-order mark. Nothing was imported.")
                                 .arg(importFile.fileName(), QString::fromLatin1(codec->name())));
        return false;
    }
    return true;
}

void InventoryImporter::ImportStockData()
{
    if (!importPending)
        return;
    importPending = false;
    const QString folder = importFile.fileName().left(importFile.fileName().lastIndexOf(QLatin1Char('/')) + 1);
    QFile logFile(folder + QStringLiteral("import_log_")
                  + QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss")) + QStringLiteral(".txt"));
    const bool logOpen = logFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    QTextStream logStream(&logFile);

    QTextStream in(&importFile);
    in.setCodec(CodecOf(importFile));
    in.readLine();

    const InventoryImportOptions options = InventoryImportOptions::FromSettings();
    InventoryImport run(DatabaseManager::Instance()->InventoryDatabase(), options, logOpen ? &logStream : nullptr);
    QLabel* label = progress ? progress->findChild<QLabel*>() : nullptr;
    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    // The busy box is repainted a few times a second, not for each of possibly many thousand lines.
    while (!in.atEnd()) {
        run.AddLine(in.readLine());
        if (sinceRepaint.elapsed() >= 100) {
            if (label)
                label->setText(tr("Processing record %1").arg(run.LineNumber()));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sinceRepaint.restart();
        }
    }
    run.Finish();

    if (progress) {
        progress->close();
        delete progress;
        progress = nullptr;
    }
    logStream.flush();
    const bool logWritten = logOpen && logStream.status() == QTextStream::Ok && logFile.flush();
    logFile.close();

    QMainWindow* window = AppSettings::Instance()->mainWindow;
    const QString count = options.locale.toString(run.Processed());
    if (run.Clean()) {
        QMessageBox::information(window, tr("Import/Update"),
                                 tr("Import/Update operation completed, and %1 records processed.").arg(count));
    } else if (logWritten) {
        const auto answer =
            QMessageBox::question(window, tr("Import/Update"),
                                  tr("%1 records processed. Some errors occurred during processing. Errors have been "
                                     "logged in a log file, so please review the import log file %2.\r\n\r\nDo you want "
                                     "to open the log file now?")
                                      .arg(count, logFile.fileName()),
                                  QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes)
            QDesktopServices::openUrl(QUrl::fromLocalFile(logFile.fileName()));
    } else {
        QMessageBox::warning(window, tr("Import/Update"),
                             tr("%1 records processed. Some errors occurred during processing, but the import log file "
                                "%2 could not be written, so they are not listed anywhere.")
                                 .arg(count, logFile.fileName()));
    }
}
