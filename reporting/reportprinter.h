#pragma once

#include "appsettings.h"
#include "documentprinter.h"

#include <QObject>

#include <functional>

class QAbstractItemModel;
class QLabel;
class QPaintDevice;
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

    // The columns of the view printed: those shown and, with a column list, chosen.
    static QVector<int> PrintedColumns(QTableView* view, ColumnVisibility* columns);
    // A list of more rows than this, of so many printed columns, is printed a slice of rows at a time.
    static int SliceRows(int columns);
    // Reads the list to print in slices: the document around its rows, the rows that decide the
    // column widths, and every row's cell texts (separated by line ends, which simplified texts never hold) in
    // the order shown.
    void ReadList(const QString& title, QTableView* view, const QVector<int>& printed, const QPaintDevice* printer,
                  DocumentPrinter::List* list, QVector<QString>* rows);

    // A row read by ReadList as an HTML table row.
    static QString RowHtml(const QString& cells, int columns);

    static QString PdfPath();
    // Prints the HTML on the document printing thread while this thread keeps painting (log: the
    // thread's debug output). False, after telling the user, when nothing could be printed.
    static bool PrintHtmlOnThread(QString* html, QPrinter* printer, bool log = false);

    // Parent of the column chooser and of the printing busy box.
    QWidget* parentWidget;
    // Called on the printing thread each time it counts the rows of a list printed in slices, with the rows
    // printed so far.
    std::function<void(int rows)> pagePrinted;
    // Milliseconds at least between two counts in a box of a list printed in slices.
    int countInterval = 250;
    // Rows of a slice of a list printed in slices; 0: SliceRows of its printed columns.
    int rowsPerSlice = 0;

private:
    // The list's HTML up to its rows: prologue to the body's start, the heading above the table, and the
    // table's start with its header row.
    static void ListHead(const QString& title, const QAbstractItemModel* model, const QVector<int>& printed,
                         QString* prologue, QString* heading, QString* tableHead);
    // False, after telling the user, when nothing could be printed.
    bool PrintInSlices(const QString& title, QTableView* view, const QVector<int>& printed, QPrinter* printer,
                       int sliceRows);
};
