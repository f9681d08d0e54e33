#include "appsettings.h"

#include "errordialog.h"
#include "progress.h"
#include "sqlfilter.h"

#include <QAbstractProxyModel>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QTableView>
#include <QTextStream>

namespace {

// A number written with group separators, such as "-1,234.50" or "1.234,50".
QRegularExpression GroupedNumber(QChar decimalPoint, QChar groupSeparator)
{
    const QString d = QRegularExpression::escape(QString(decimalPoint));
    const QString g = QRegularExpression::escape(QString(groupSeparator));
    return QRegularExpression(QStringLiteral("^[-+]?[0-9]{1,3}(%1[0-9]{3})+(%2[0-9]+)?$").arg(g, d));
}

} // namespace

QChar AppSettings::Delimiter(int setting)
{
    switch (setting) {
    case 1:
        return QLatin1Char(';');
    case 2:
        return QLatin1Char('\t');
    default:
        return QLatin1Char(',');
    }
}

QString AppSettings::CsvExportFilePath(const QString& folder, const QString& filePrefix, const QDateTime& when)
{
    QString prefix = filePrefix;
    prefix.replace(QLatin1Char(' '), QLatin1Char('_'))
        .replace(QLatin1Char('('), QLatin1Char('_'))
        .replace(QLatin1Char(')'), QLatin1Char('_'));
    return folder + QLatin1Char('/') + prefix + QStringLiteral("_data_export_")
        + when.toString(QStringLiteral("yyMMdd_hh_mm_ss")) + QStringLiteral(".csv");
}

void AppSettings::ExportTableToCsv(const QString& filePrefix, QTableView* view, QWidget* parent)
{
    ErrorDialog notice(QStringLiteral("err_msg_20"), QCoreApplication::translate("AppSettings", "Data Export"),
                       QCoreApplication::translate("AppSettings",
                                                   "Data will be exported to a text file with CSV extension. Data will be "
                                                   "delimited either by comma or tab, depending upon the selection from the "
                                                   "settings dialog. After export, you can open this exported file in Excel "
                                                   "or some other program of your choice for viewing, printing or other "
                                                   "desired functions. "),
                       mainWindow, false, false);
    notice.exec();

    const QString folder = ChooseFolder(parent);
    if (folder.isEmpty())
        return;

    Progress busy(mainWindow);
    busy.show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    const QString path = CsvExportFilePath(folder, filePrefix, QDateTime::currentDateTime());

    QFile file(path);
    QString failure;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        failure = file.errorString();
    } else {
        QTextStream stream(&file);
        WriteTableAsCsv(&stream, view);
        stream.flush();
        bool written = stream.status() == QTextStream::Ok && file.flush();
        file.close();
        written = written && file.error() == QFileDevice::NoError;
        if (!written) {
            failure = file.errorString();
            file.remove(); // a cut-off export must not pass for a complete one
        }
    }
    busy.hide();

    if (!failure.isNull()) {
        QMessageBox::warning(mainWindow, QCoreApplication::translate("AppSettings", "Export"),
                             QCoreApplication::translate("AppSettings", "Data could not be exported to file %1: %2")
                                 .arg(path, failure));
        return;
    }
    QMessageBox::information(mainWindow, QCoreApplication::translate("AppSettings", "Export"),
                             QCoreApplication::translate("AppSettings", "Data exported successfully to file %1").arg(path));
}

void AppSettings::WriteTableAsCsv(QTextStream* out, QTableView* view)
{
    const QChar delimiter = Delimiter(settings->value(QStringLiteral("delimiter"), 0).toInt());

    QAbstractItemModel* model = view->model();
    auto* proxy = qobject_cast<QAbstractProxyModel*>(model);
    QAbstractItemModel* source = proxy && proxy->sourceModel() ? proxy->sourceModel() : model;
    SqlFilter::FetchAll(source);
    const int rows = source->rowCount();
    const int cols = source->columnCount();

    QVector<int> shown;
    QStringList cells;
    for (int c = 0; c < cols; ++c) {
        if (view->isColumnHidden(c))
            continue;
        shown.append(c);
        cells.append(source->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    }
    *out << cells.join(delimiter) << "\n";

    // Group separators go only from numbers: "1,234.50" becomes "1234.50" while
    // an e-mail address or a web address keeps its dots.
    const QChar decimalPoint = locale->decimalPoint();
    QChar groupSeparator;
    if (decimalPoint == QLatin1Char('.'))
        groupSeparator = QLatin1Char(',');
    else if (decimalPoint == QLatin1Char(','))
        groupSeparator = QLatin1Char('.');
    const QRegularExpression groupedNumber = GroupedNumber(decimalPoint, groupSeparator);

    for (int r = 0; r < rows; ++r) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        cells.clear();
        for (int c : qAsConst(shown)) {
            QString text = source->index(r, c).data(Qt::DisplayRole).toString().simplified();
            if (!groupSeparator.isNull() && groupedNumber.match(text).hasMatch()) {
                text.remove(groupSeparator);
            } else if (text.contains(delimiter)) {
                // The file has no quoting and its readers split at the delimiter, so text
                // cells must not carry it ("Smith, John" is written "Smith John").
                text = text.replace(delimiter, QStringLiteral(" ")).simplified();
            }
            cells.append(text.isEmpty() ? QStringLiteral(" ") : text);
        }
        *out << cells.join(delimiter) << "\n";
    }
}

QString AppSettings::ChooseFolder(QWidget* parent)
{
    QSettings* settings = Instance()->settings;
    QFileDialog folderDialog(parent);
    folderDialog.setModal(true);
    folderDialog.setFileMode(QFileDialog::Directory);
    folderDialog.setOption(QFileDialog::ShowDirsOnly);
    folderDialog.setDirectory(settings->value(QStringLiteral("RECENT_LOCATION"), QString()).toString());
    if (folderDialog.exec() != QDialog::Accepted || folderDialog.selectedFiles().isEmpty())
        return QString();
    const QString folder = QFileInfo(folderDialog.selectedFiles().constFirst()).absoluteFilePath();
    settings->setValue(QStringLiteral("RECENT_LOCATION"), folder);
    return folder;
}
