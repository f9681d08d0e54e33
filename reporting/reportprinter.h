#pragma once

#include "appsettings.h"

#include <QObject>

class QAbstractItemModel;
class QLabel;
class QPrinter;
class QTableView;
class QTextStream;

// Prints the table a list page shows, or saves it as "report.pdf", as an HTML
// document laid out and printed on a worker thread.
class ReportPrinter : public QObject
{
    Q_OBJECT
public:
    explicit ReportPrinter(QWidget* parent = nullptr);

    // The view's model is a proxy over the page's source model.
    void PrintTableView(const QString& title, QTableView* view, bool chooseColumns, bool toPdf);
    void TableViewToHtml(const QString& title, QTextStream* out, QTableView* view, ColumnVisibility* columns);

    // The table rows of the HTML documents: the cells of columns in every row that shown shows, in its order,
    // with busyText (if any) counting the rows in progressText ("%1 of %2"); while the rows are read it shows
    // the count's first line.
    static void WriteTableRows(QTextStream& out, const QAbstractItemModel* shown, const QVector<int>& columns,
                               QLabel* busyText, const QString& progressText);

    static QString PdfPath();
    // Prints the HTML on the document printing thread while this thread keeps painting (log: the
    // thread's debug output). False, after telling the user, when nothing could be printed.
    static bool PrintHtmlOnThread(QString* html, QPrinter* printer, bool log = false);

    // Parent of the column chooser and of the printing busy box.
    QWidget* parentWidget;
};
