#include "listpage.h"
#include "appsettings.h"
#include "modalanswerer.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTextStream>

Q_DECLARE_METATYPE(QList<QStringList>)

namespace {

// Hands out its rows in chunks, as the SQL models do.
class LazyModel : public QAbstractTableModel
{
public:
    int total = 1000;
    int fetched = 0;
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : fetched; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }
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
    void exportToFile_data();
    void exportToFile();

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
        TestSupport::Settings()->setValue(QStringLiteral("delimiter"), delimiter);
    *AppSettings::Instance()->locale = QLocale(language);
    ListPage page(headers, rows);
    for (int c : hidden)
        page.view.setColumnHidden(c, true);
    QCOMPARE(csvOf(&page.view), expected);
}

void TestCsvExport::everyRowIsFetchedInSourceOrder()
{
    LazyModel source;
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

void TestCsvExport::exportToFile_data()
{
    QTest::addColumn<QString>("folder"); // "out": the test's own; empty: the choice is cancelled
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<QString>("message");
    QTest::newRow("written") << "out" << false << "Data exported successfully to file %1";
    QTest::newRow("folder choice cancelled") << "" << false << "";
    // As root a read-only folder is still writable, so /proc stands in for it.
    QTest::newRow("file cannot be created") << "/proc" << false << "Data could not be exported to file %1";
    // /dev/full behind every file name the next minute can produce.
    QTest::newRow("disk full while writing") << "out" << true << "Data could not be exported to file %1";
}

void TestCsvExport::exportToFile()
{
    QFETCH(QString, folder);
    QFETCH(bool, fullDisk);
    QFETCH(QString, message);
    if (folder == QLatin1String("out"))
        folder = outDir;
    const QDateTime before = QDateTime::currentDateTime();
    for (int s = 0; fullDisk && s < 60; ++s)
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), AppSettings::CsvExportFilePath(folder, QStringLiteral("Products"), before.addSecs(s))));
    TestSupport::Settings()->setValue(QStringLiteral("RECENT_LOCATION"), TestSupport::ScratchDir());
    QList<QStringList> rows;
    QByteArray csv("ID,EMAIL\n");
    for (int i = 0; i < 5000; ++i) {
        rows << QStringList{QString::number(i), QStringLiteral("user.%1@example.com").arg(i)};
        csv += QByteArray::number(i) + ",user." + QByteArray::number(i) + "@example.com\n";
    }
    ListPage page({"ID", "EMAIL"}, rows);

    ModalAnswerer answerer;
    answerer.pressButtonText(QStringLiteral("Close"));
    QString startFolder;
    answerer.handle([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return false;
        startFolder = dialog->directory().absolutePath();
        dialog->setDirectory(folder);
        if (folder.isEmpty())
            dialog->reject();
        else
            static_cast<QDialog*>(dialog)->accept(); // runs QFileDialog::accept
        return true;
    });
    answerer.pressButton(QMessageBox::Ok);
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Products"), &page.view, nullptr);
    const QDateTime after = QDateTime::currentDateTime();
    QTRY_COMPARE(answerer.seen.size(), message.isEmpty() ? 2 : 3);
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join('\n')));
    QCOMPARE(answerer.seen.at(0).title, QStringLiteral("Data Export"));
    QCOMPARE(startFolder, TestSupport::ScratchDir());
    const QStringList files = QDir(outDir).entryList(QDir::Files);
    if (message.isEmpty()) {
        QVERIFY(answerer.messages().isEmpty());
        QVERIFY(files.isEmpty());
        QCOMPARE(TestSupport::Settings()->value(QStringLiteral("RECENT_LOCATION")).toString(), TestSupport::ScratchDir());
        return;
    }
    const QStringList messages = answerer.messages();
    QCOMPARE(messages.size(), 1);
    QString path = AppSettings::CsvExportFilePath(folder, QStringLiteral("Products"), before);
    if (!messages.first().contains(path))
        path = AppSettings::CsvExportFilePath(folder, QStringLiteral("Products"), after);
    const QString expected = QStringLiteral("Export|") + message.arg(path);
    const bool written = folder == outDir && !fullDisk;
    // A failure names its reason after the file.
    QVERIFY2(messages.first() == expected || (!written && messages.first().startsWith(expected + QStringLiteral(": "))),
             qPrintable(messages.first()));
    if (written) {
        QCOMPARE(files, QStringList{QFileInfo(path).fileName()});
        QCOMPARE(TestSupport::ReadFile(path), csv);
        QCOMPARE(TestSupport::Settings()->value(QStringLiteral("RECENT_LOCATION")).toString(), outDir);
    }
}

VORANTEL_TEST_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
