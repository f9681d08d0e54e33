#pragma once

#include "appsettings.h"

#include <QObject>

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

    static QString PdfPath();
    // Prints the HTML on the document printing thread while this thread keeps painting (log: the
    // thread's debug output).
    static void PrintHtmlOnThread(QString* html, QPrinter* printer, bool log = false);

    // Parent of the column chooser and of the printing busy box.
    QWidget* parentWidget;
};
