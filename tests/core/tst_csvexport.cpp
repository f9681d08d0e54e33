#include "listpage.h"
#include "appsettings.h"
#include "modalanswerer.h"
#include "sortingproxymodel.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QSettings>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextStream>

Q_DECLARE_METATYPE(QList<QStringList>)

namespace {

QSettings* store()
{
    return AppSettings::Instance()->settings;
}

// Hands out its rows in chunks, as the SQL models do.
class LazyModel : public QAbstractTableModel
{
public:
    explicit LazyModel(int total)
        : total(total)
    {
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : fetched; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return QVariant();
        return index.column() == 0 ? QVariant(index.row()) : QVariant(QStringLiteral("row %1").arg(index.row()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return section == 0 ? QStringLiteral("ID") : QStringLiteral("NAME");
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    bool canFetchMore(const QModelIndex& parent) const override { return !parent.isValid() && fetched < total; }
    void fetchMore(const QModelIndex& parent) override
    {
        if (parent.isValid())
            return;
        const int more = qMin(256, total - fetched);
        beginInsertRows(QModelIndex(), fetched, fetched + more - 1);
        fetched += more;
        endInsertRows();
    }

private:
    int total;
    int fetched = 0;
};

QString csvOf(QTableView* view)
{
    QString text;
    QTextStream out(&text);
    AppSettings::Instance()->WriteTableAsCsv(&out, view);
    out.flush();
    return text;
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fileName_data();
    void fileName();
    void tableText_data();
    void tableText();
    void everyRowIsFetchedInSourceOrder();
    void exportWritesTheFileAndSaysSo();
    void cancelledFolderChoiceWritesNothing();
    void unwritableFileIsReported_data();
    void unwritableFileIsReported();

private:
    QString outDir;
};

void TestCsvExport::init()
{
    TestSupport::ClearSettings();
    *AppSettings::Instance()->locale = QLocale(QLocale::English, QLocale::UnitedStates);
    outDir = TestSupport::ScratchDir() + QStringLiteral("/out");
    QDir(outDir).removeRecursively();
    QDir().mkpath(outDir);
}

void TestCsvExport::cleanup()
{
    *AppSettings::Instance()->locale = QLocale();
}

void TestCsvExport::fileName_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain prefix") << QStringLiteral("Vendors") << QStringLiteral("/data/out/Vendors_data_export_171013_14_05_09.csv");
    QTest::newRow("blank and parentheses") << QStringLiteral("Sales (2017)")
                                           << QStringLiteral("/data/out/Sales__2017__data_export_171013_14_05_09.csv");
}

void TestCsvExport::fileName()
{
    QFETCH(QString, prefix);
    QFETCH(QString, expected);
    const QDateTime when(QDate(2017, 10, 13), QTime(14, 5, 9));
    QCOMPARE(AppSettings::CsvExportFilePath(QStringLiteral("/data/out"), prefix, when), expected);
}

void TestCsvExport::tableText_data()
{
    QTest::addColumn<QVariant>("delimiter");
    QTest::addColumn<QString>("language"); // locale of the amounts
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QString>("expected");

    const QStringList five{"ID", "NAME", "EMAIL", "AMOUNT", "NOTE"};
    const QList<QStringList> one{{"7", "Smith, John", "john.smith@example.com", "1,234.50", "a b"}};
    QTest::newRow("comma by default") << QVariant() << "en" << five << one << QList<int>()
                                      << "ID,NAME,EMAIL,AMOUNT,NOTE\n7,Smith John,john.smith@example.com,1234.50,a b\n";
    QTest::newRow("semicolon, five columns") << QVariant(1) << "en" << five << one << QList<int>()
                                             << "ID;NAME;EMAIL;AMOUNT;NOTE\n7;Smith, John;john.smith@example.com;1234.50;a b\n";
    QTest::newRow("tab") << QVariant(2) << "en" << five << one << QList<int>()
                         << "ID\tNAME\tEMAIL\tAMOUNT\tNOTE\n7\tSmith, John\tjohn.smith@example.com\t1234.50\ta b\n";
    QTest::newRow("unknown value gives comma") << QVariant(7) << "en" << QStringList{"A", "B"}
                                               << QList<QStringList>{{"x", "y"}} << QList<int>() << "A,B\nx,y\n";
    QTest::newRow("numbers lose group separators")
        << QVariant(1) << "en" << QStringList{"A", "B", "C", "D"}
        << QList<QStringList>{{"-12,345,678.9", "1,234", "1.5", "12,34"}} << QList<int>()
        << "A;B;C;D\n-12345678.9;1234;1.5;12,34\n";
    QTest::newRow("decimal comma") << QVariant(1) << "de" << QStringList{"AMOUNT", "EMAIL", "WEB"}
                                   << QList<QStringList>{{"1.234,50", "anna.berg@example.de", "www.example.de"}}
                                   << QList<int>() << "AMOUNT;EMAIL;WEB\n1234,50;anna.berg@example.de;www.example.de\n";
    QTest::newRow("blank cells and white space") << QVariant() << "en" << QStringList{"A", "B", "C"}
                                                 << QList<QStringList>{{"", "  two \n  lines  ", "   "}} << QList<int>()
                                                 << "A,B,C\n ,two lines, \n";
    QTest::newRow("delimiter inside text") << QVariant(1) << "en" << QStringList{"A", "B"}
                                           << QList<QStringList>{{"R&D; Sales", "x;y"}} << QList<int>() << "A;B\nR&D Sales;x y\n";
    QTest::newRow("hidden columns, the last one too")
        << QVariant() << "en" << five << one << QList<int>{0, 4} << "NAME,EMAIL,AMOUNT\nSmith John,john.smith@example.com,1234.50\n";
    QTest::newRow("no rows gives the header only") << QVariant(1) << "en" << five << QList<QStringList>() << QList<int>()
                                                   << "ID;NAME;EMAIL;AMOUNT;NOTE\n";
}

void TestCsvExport::tableText()
{
    QFETCH(QVariant, delimiter);
    QFETCH(QString, language);
    QFETCH(QStringList, headers);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QList<int>, hidden);
    QFETCH(QString, expected);
    if (delimiter.isValid())
        store()->setValue(QStringLiteral("delimiter"), delimiter);
    *AppSettings::Instance()->locale = QLocale(language);
    ListPage page(headers, rows);
    for (int c : hidden)
        page.view.setColumnHidden(c, true);
    QCOMPARE(csvOf(&page.view), expected);
}

void TestCsvExport::everyRowIsFetchedInSourceOrder()
{
    LazyModel source(1000);
    SortingProxyModel proxy;
    proxy.setSourceModel(&source);
    proxy.sort(0, Qt::DescendingOrder);
    proxy.setFilterKeyColumn(1);
    proxy.setFilterFixedString(QStringLiteral("row 99"));
    QTableView view;
    view.setModel(&proxy);
    QVERIFY(source.canFetchMore(QModelIndex()));

    const QStringList lines = csvOf(&view).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1001);
    QCOMPARE(lines.at(0), QStringLiteral("ID,NAME"));
    QCOMPARE(lines.at(1), QStringLiteral("0,row 0"));
    QCOMPARE(lines.at(1000), QStringLiteral("999,row 999"));
}

void TestCsvExport::exportWritesTheFileAndSaysSo()
{
    store()->setValue(QStringLiteral("RECENT_LOCATION"), TestSupport::ScratchDir());
    ListPage page({"NAME", "EMAIL"}, {{"Ann", "ann@example.com"}, {"Bob", "bob@example.com"}});

    ModalAnswerer answerer;
    answerer.pressButtonText(QStringLiteral("Close"));
    QString startFolder;
    answerer.handle([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return false;
        startFolder = dialog->directory().absolutePath();
        dialog->setDirectory(outDir);
        static_cast<QDialog*>(dialog)->accept(); // runs QFileDialog::accept
        return true;
    });
    answerer.pressButton(QMessageBox::Ok);
    const QDateTime before = QDateTime::currentDateTime();
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Customers"), &page.view, nullptr);
    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join('\n')));
    QCOMPARE(answerer.seen.size(), 3);
    QCOMPARE(answerer.seen.at(0).title, QStringLiteral("Data Export"));
    QCOMPARE(startFolder, TestSupport::ScratchDir());

    const QStringList files = QDir(outDir).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString path = outDir + QLatin1Char('/') + files.first();
    QVERIFY(path == AppSettings::CsvExportFilePath(outDir, QStringLiteral("Customers"), before)
            || path == AppSettings::CsvExportFilePath(outDir, QStringLiteral("Customers"), after));
    QCOMPARE(answerer.messages(), QStringList{QStringLiteral("Export|Data exported successfully to file %1").arg(path)});
    QCOMPARE(store()->value(QStringLiteral("RECENT_LOCATION")).toString(), outDir);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("NAME,EMAIL\nAnn,ann@example.com\nBob,bob@example.com\n"));
}

void TestCsvExport::cancelledFolderChoiceWritesNothing()
{
    store()->setValue(QStringLiteral("RECENT_LOCATION"), outDir);
    ListPage page({"NAME"}, {{"Ann"}});
    ModalAnswerer answerer;
    answerer.pressButtonText(QStringLiteral("Close"));
    answerer.reject();
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Vendors"), &page.view, nullptr);
    QTest::qWait(100);
    QCOMPARE(answerer.seen.size(), 2);
    QVERIFY(answerer.messages().isEmpty());
    QVERIFY(QDir(outDir).entryList(QDir::Files).isEmpty());
    QCOMPARE(store()->value(QStringLiteral("RECENT_LOCATION")).toString(), outDir);
}

void TestCsvExport::unwritableFileIsReported_data()
{
    QTest::addColumn<bool>("cannotOpen");
    QTest::newRow("file cannot be created") << true;
    QTest::newRow("disk full while writing") << false;
}

void TestCsvExport::unwritableFileIsReported()
{
    QFETCH(bool, cannotOpen);
    // As root a read-only folder is still writable, so /proc stands in for it; a full
    // disk is /dev/full behind every file name the next minute can produce.
    QString folder = QStringLiteral("/proc");
    if (!cannotOpen) {
        folder = outDir;
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = 0; s < 60; ++s) {
            QVERIFY(QFile::link(QStringLiteral("/dev/full"),
                                AppSettings::CsvExportFilePath(folder, QStringLiteral("Products"), now.addSecs(s))));
        }
    }
    QList<QStringList> rows;
    for (int i = 0; i < 5000; ++i)
        rows << QStringList{QString::number(i), QStringLiteral("product name %1").arg(i)};
    ListPage page({"ID", "NAME"}, rows);

    ModalAnswerer answerer;
    answerer.pressButtonText(QStringLiteral("Close"));
    answerer.handle([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return false;
        dialog->setDirectory(folder);
        static_cast<QDialog*>(dialog)->accept(); // runs QFileDialog::accept
        return true;
    });
    answerer.pressButton(QMessageBox::Ok);
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Products"), &page.view, nullptr);
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join('\n')));
    const QStringList messages = answerer.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("Export|Data could not be exported to file %1/Products_data_export_").arg(folder)),
             qPrintable(messages.first()));
    QCOMPARE(answerer.seen.last().className, QStringLiteral("QMessageBox"));
}

VORANTEL_TEST_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
