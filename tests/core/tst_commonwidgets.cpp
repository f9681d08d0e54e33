#include "appsettings.h"
#include "progress.h"
#include "reportprinter.h"
#include "scannerinputedit.h"
#include "sortingproxymodel.h"
#include "testdatabase.h"
#include "testsupport.h"
#include "voranteldialog.h"
#include "vorantellabel.h"

#include <QHeaderView>
#include <QLabel>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QSqlQueryModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextStream>
#include <QTimer>

namespace {

// An SQL list model that records the cells (row, column) at which its result is read, in the order read.
class ReadRecorder : public QSqlQueryModel
{
public:
    QVariant data(const QModelIndex& item, int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            reads << qMakePair(item.row(), item.column());
        return QSqlQueryModel::data(item, role);
    }

    // A cell read twice, or a row read after a later one, which the MySQL client reaches from its first row.
    QString readBack() const
    {
        const auto back = std::adjacent_find(reads.cbegin(), reads.cend(),
                                             [](const auto& a, const auto& b) { return !(a < b); });
        return back == reads.cend() ? QString()
                                    : QStringLiteral("row %1 read after row %2").arg((back + 1)->first).arg(back->first);
    }

    mutable QVector<QPair<int, int>> reads;
};

// A list model that records the rows at which it is read, whatever the role.
class RowRecorder : public QStandardItemModel
{
public:
    QVariant data(const QModelIndex& item, int role) const override
    {
        reads << item.row();
        return QStandardItemModel::data(item, role);
    }

    mutable QVector<int> reads;
};

} // namespace

class TestCommonWidgets : public QObject
{
    Q_OBJECT

private slots:
    void centringArithmetic_data();
    void centringArithmetic();
    void dialogIsCentredOnItsParent();
    void dialogWithoutParentStaysPut();
    void progressMessage();
    void linkLabelFollowsTheme();
    void linkLabelHover();
    void scannerEditSignalsInOrder();
    void rowNumbersFollowSortAndFilter();
    void sortedListAnswersAsItsModel_data();
    void sortedListAnswersAsItsModel();
    void sortReadsTheResultFirstToLast_data();
    void sortReadsTheResultFirstToLast();
    void cleanupTestCase();

private:
    QString database;
};

void TestCommonWidgets::centringArithmetic_data()
{
    QTest::addColumn<QSize>("dialog");
    QTest::addColumn<QRect>("parent");
    QTest::addColumn<QPoint>("onShow");
    QTest::addColumn<QPoint>("onResize");
    QTest::newRow("parent at origin") << QSize(400, 300) << QRect(0, 0, 1000, 800) << QPoint(300, 250) << QPoint(300, 250);
    QTest::newRow("parent moved") << QSize(400, 300) << QRect(100, 50, 1000, 800) << QPoint(300, 250) << QPoint(400, 300);
    // Each half is truncated on its own.
    QTest::newRow("odd sizes") << QSize(401, 301) << QRect(0, 0, 1001, 801) << QPoint(300, 250) << QPoint(300, 250);
    QTest::newRow("dialog larger") << QSize(1200, 900) << QRect(0, 0, 1000, 800) << QPoint(-100, -50) << QPoint(-100, -50);
}

void TestCommonWidgets::centringArithmetic()
{
    QFETCH(QSize, dialog);
    QFETCH(QRect, parent);
    QFETCH(QPoint, onShow);
    QFETCH(QPoint, onResize);
    QCOMPARE(VorantelDialog::ShowPosition(dialog, parent.size()), onShow);
    QCOMPARE(VorantelDialog::ResizePosition(dialog, parent), onResize);
}

void TestCommonWidgets::dialogIsCentredOnItsParent()
{
    QWidget parent;
    parent.setGeometry(100, 50, 1000, 800);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    VorantelDialog dialog(&parent);
    dialog.resize(400, 300);
    dialog.show();
    QCOMPARE(dialog.pos(), QPoint(300, 250));
    dialog.resize(500, 400);
    // The parent's position includes its window frame.
    QCOMPARE(dialog.pos(), QPoint(parent.x() + 500 - 250, parent.y() + 400 - 200));
}

void TestCommonWidgets::dialogWithoutParentStaysPut()
{
    VorantelDialog dialog;
    dialog.move(17, 23);
    dialog.resize(400, 300);
    dialog.show();
    dialog.resize(420, 320);
    QCOMPARE(dialog.pos(), QPoint(17, 23));
}

void TestCommonWidgets::progressMessage()
{
    QCOMPARE(Progress(nullptr).message(), QStringLiteral("Please wait..."));
    QCOMPARE(Progress(nullptr, QStringLiteral("Generating PDF file...")).message(), QStringLiteral("Generating PDF file..."));
}

void TestCommonWidgets::linkLabelFollowsTheme()
{
    const QString link = QStringLiteral("<a href=\"x\"><span style=\" text-decoration: none; color:#3a66dd;\">Home</span></a>");
    VorantelLabel label;
    label.setText(link);
    label.resize(200, 40);
    AppSettings::Instance()->theme = QStringLiteral("dark");
    label.grab();
    QVERIFY(label.text().contains(QStringLiteral("color:yellow")));
    QVERIFY(!label.text().contains(QStringLiteral("#3a66dd")));
    AppSettings::Instance()->theme = QStringLiteral("no_theme");
    label.grab();
    QCOMPARE(label.text(), link);

    VorantelLabel plain;
    plain.setText(QStringLiteral("Plain words"));
    AppSettings::Instance()->theme = QStringLiteral("dark");
    plain.grab();
    QCOMPARE(plain.text(), QStringLiteral("Plain words"));
    AppSettings::Instance()->theme = QStringLiteral("light");
}

void TestCommonWidgets::linkLabelHover()
{
    VorantelLabel label;
    label.setText(QStringLiteral("<span style=\" text-decoration: none;\">x</span>"));
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(&label, &enter);
    QCOMPARE(label.text(), QStringLiteral("<span style=\" text-decoration: underline;\">x</span>"));
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QApplication::sendEvent(&label, &leave);
    QCOMPARE(label.text(), QStringLiteral("<span style=\" text-decoration: none;\">x</span>"));
    QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
}

void TestCommonWidgets::scannerEditSignalsInOrder()
{
    QWidget window;
    auto* scanner = new ScannerInputEdit(&window);
    auto* other = new QLabel(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    QStringList order;
    connect(scanner, &ScannerInputEdit::focussed, this, [&](bool f) { order << QStringLiteral("focussed:%1").arg(f); });
    connect(scanner, &ScannerInputEdit::SetCheckedScannerReady, this,
            [&](bool f) { order << QStringLiteral("ready:%1").arg(f); });
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    scanner->setFocus();
    QTRY_COMPARE(order.size(), 2);
    other->setFocus();
    QTRY_COMPARE(order.size(), 4);
    QCOMPARE(order, QStringList({"focussed:1", "ready:1", "focussed:0", "ready:0"}));
}

void TestCommonWidgets::rowNumbersFollowSortAndFilter()
{
    QStandardItemModel source;
    source.setHorizontalHeaderLabels({QStringLiteral("NAME")});
    for (const char* name : {"pear", "apple", "plum", "cherry"})
        source.appendRow(new QStandardItem(QString::fromLatin1(name)));
    SortingProxyModel proxy;
    proxy.setSourceModel(&source);
    proxy.sort(0);
    QCOMPARE(proxy.index(0, 0).data().toString(), QStringLiteral("apple"));
    QCOMPARE(proxy.headerData(0, Qt::Vertical), QVariant(1));
    proxy.setFilterFixedString(QStringLiteral("p"));
    QCOMPARE(proxy.rowCount(), 3);
    for (int row = 0; row < proxy.rowCount(); ++row)
        QCOMPARE(proxy.headerData(row, Qt::Vertical).toInt(), row + 1);
    QCOMPARE(proxy.headerData(0, Qt::Horizontal), QVariant(QStringLiteral("NAME")));
    // An edit of the sorted column, as the customers and vendors dialogs make before they submit, moves its row
    // at once.
    QVERIFY(source.setData(source.index(0, 0), QStringLiteral("aplomb")));
    QCOMPARE(proxy.index(0, 0).data().toString(), QStringLiteral("aplomb"));
}

void TestCommonWidgets::sortedListAnswersAsItsModel_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("role");
    QTest::newRow("check state after type-ahead") << "keys" << int(Qt::CheckStateRole);
    QTest::newRow("colour after type-ahead") << "keys" << int(Qt::ForegroundRole);
    QTest::newRow("text after type-ahead") << "keys" << int(Qt::DisplayRole);
    QTest::newRow("a plain index kept while rows went away") << "remove" << int(Qt::DisplayRole);
}

// What a sorted list keeps of its rows for its view and its type-ahead never stands in for what the model
// under it says: every role of every shown row reads as there, and a row that went away reads as nothing.
void TestCommonWidgets::sortedListAnswersAsItsModel()
{
    QFETCH(QString, step);
    QFETCH(int, role);
    RowRecorder source;
    for (int row = 0; row < 1500; ++row) {
        auto* item = new QStandardItem(QStringLiteral("%1 %2").arg(QChar(u'a' + row * 7 % 26)).arg(row));
        item->setCheckable(true);
        item->setCheckState(row % 3 ? Qt::Unchecked : Qt::Checked);
        item->setForeground(row % 2 ? Qt::red : Qt::blue);
        source.appendRow(item);
    }
    SortingProxyModel proxy;
    proxy.setSourceModel(&source);
    QTableView view;
    view.setModel(&proxy);
    // As the lists are: a key searches, it does not edit.
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.sortByColumn(0, Qt::AscendingOrder);
    view.setSortingEnabled(true);
    view.viewport()->repaint();

    if (step == QLatin1String("keys")) {
        view.setCurrentIndex(proxy.index(0, 0));
        QTest::keyClick(&view, 'm');
        QVERIFY(view.currentIndex().data().toString().startsWith(QLatin1Char('m')));
        for (int row = 0; row < proxy.rowCount(); ++row) {
            const QModelIndex shown = proxy.index(row, 0);
            QCOMPARE(shown.data(role), proxy.mapToSource(shown).data(role));
        }
    } else {
        // The last block of rows a view reads keeps a few of its rows; the kept one is far past them.
        const QModelIndex kept = proxy.index(1499, 0);
        QVERIFY(kept.data(role).isValid());
        QVERIFY(source.removeRows(0, 470));
        QCOMPARE(proxy.rowCount(), 1030);
        source.reads.clear();
        QCOMPARE(kept.data(role), QVariant());
        // No block of rows is read for a row that is not there.
        QCOMPARE(source.reads, QVector<int>());
    }
}

void TestCommonWidgets::sortReadsTheResultFirstToLast_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("column"); // sorted by afterwards
    QTest::addColumn<int>("order");
    QTest::newRow("sorting box") << "box" << 1 << int(Qt::AscendingOrder);
    QTest::newRow("header click on another column") << "click 2" << 2 << int(Qt::AscendingOrder);
    QTest::newRow("header click on the sorted column") << "click 1" << 1 << int(Qt::DescendingOrder);
    QTest::newRow("Show All with the list sorted") << "show all" << 1 << int(Qt::AscendingOrder);
    QTest::newRow("painting the sorted list") << "paint" << 1 << int(Qt::AscendingOrder);
    QTest::newRow("print HTML of the sorted list") << "print" << 1 << int(Qt::AscendingOrder);
    QTest::newRow("type-ahead joins keys, case ignored; then a header click") << "keys C3 click 1" << 1
                                                                             << int(Qt::DescendingOrder);
    QTest::newRow("type-ahead steps on at the same key") << "keys ddd" << 1 << int(Qt::AscendingOrder);
    QTest::newRow("type-ahead without a match") << "keys g" << 1 << int(Qt::AscendingOrder);
}

// A list sorted through the proxy reads its SQL result in result order, each row at most once: the MySQL
// client reaches any other row by walking its stored rows from the first. Three blocks of shown rows;
// each key typed reads it once at most, and selects the row a plain proxy's view selects.
void TestCommonWidgets::sortReadsTheResultFirstToLast()
{
    QFETCH(QString, step);
    QFETCH(int, column);
    QFETCH(int, order);
    if (database.isEmpty()) {
        database = TestDatabase::uniqueName(QStringLiteral("sortreads"));
        QCOMPARE(TestDatabase::exec(QString(), {QStringLiteral("CREATE DATABASE %1").arg(database)}), QString());
        QCOMPARE(TestDatabase::exec(database, {QStringLiteral("CREATE TABLE t (ID INT, NAME VARCHAR(20), CODE VARCHAR(20))"),
                                               QStringLiteral("INSERT INTO t SELECT seq, LEFT(MD5(seq), 6), "
                                                              "LEFT(MD5(seq * 7), 6) FROM seq_1_to_2500")}),
                 QString());
    }
    const QSqlDatabase db = TestDatabase::connect(QStringLiteral("sortreads"), database);
    const QString statement = QStringLiteral("SELECT ID, NAME, CODE FROM t ORDER BY ID");
    ReadRecorder model;
    model.setQuery(statement, db);
    SortingProxyModel proxy;
    proxy.setDynamicSortFilter(true);
    proxy.setSourceModel(&model);
    QTableView view;
    view.setModel(&proxy);
    view.resize(500, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // What the sorting box does.
    const auto box = [&view] {
        view.sortByColumn(1, Qt::AscendingOrder);
        view.setSortingEnabled(true);
    };
    if (step != QLatin1String("box") && step != QLatin1String("paint"))
        box();
    QCoreApplication::processEvents();
    view.viewport()->repaint();

    model.reads.clear();
    if (step.startsWith(QLatin1String("keys"))) {
        QSortFilterProxyModel plain;
        plain.setSourceModel(&model);
        plain.sort(1);
        QTableView plainView;
        plainView.setModel(&plain);
        view.setCurrentIndex(proxy.index(2400, 1));
        plainView.setCurrentIndex(plain.index(2400, 1));
        // Every key of the row within the keyboard interval, however slow the machine.
        const auto restore = qScopeGuard([was = QApplication::keyboardInputInterval()] {
            QApplication::setKeyboardInputInterval(was);
        });
        QApplication::setKeyboardInputInterval(3600 * 1000);
        for (const QChar key : step.section(QLatin1Char(' '), 1, 1)) {
            model.reads.clear();
            QTest::keyClick(&view, key.toLatin1());
            QVERIFY2(model.readBack().isEmpty(), qPrintable(model.readBack()));
            QTest::keyClick(&plainView, key.toLatin1());
            QCOMPARE(proxy.mapToSource(view.currentIndex()), plain.mapToSource(plainView.currentIndex()));
        }
        model.reads.clear();
    }
    if (step == QLatin1String("box")) {
        box();
    } else if (step.contains(QLatin1String("click"))) {
        const int clicked = step.section(QLatin1Char(' '), -1).toInt();
        QHeaderView* header = view.horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(clicked) + 5, header->height() / 2));
    } else if (step == QLatin1String("paint")) {
        box();
        model.reads.clear();
        view.viewport()->repaint();
    } else if (step == QLatin1String("print")) {
        // The rows read when the window first processed events after the first row, and the busy box then.
        int readThen = 0;
        QString shownThen;
        QTimer events;
        connect(&events, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* busy = qobject_cast<Progress*>(widget);
                if (busy && busy->isVisible() && readThen == 0 && !model.reads.isEmpty()) {
                    readThen = model.reads.size();
                    shownThen = busy->message();
                }
            }
        });
        events.start(0);
        QString html;
        QTextStream out(&html);
        ReportPrinter().TableViewToHtml(QStringLiteral("T"), &out, &view, nullptr);
        QVERIFY2(readThen > 0 && readThen < model.reads.size(), qPrintable(QString::number(readThen)));
        QCOMPARE(shownThen, QStringLiteral("Processing line 0 of 2500 for printing..."));
    } else if (step == QLatin1String("show all")) {
        model.setQuery(statement, db);
    }
    QVERIFY(step != QLatin1String("paint") || !model.reads.isEmpty());
    QVERIFY2(model.readBack().isEmpty(), qPrintable(model.readBack()));
    QCOMPARE(proxy.sortColumn(), column);
    QCOMPARE(int(proxy.sortOrder()), order);
    QCOMPARE(proxy.rowCount(), 2500);
    for (int row = 1; row < proxy.rowCount(); ++row) {
        const QString before = proxy.index(row - 1, column).data().toString();
        const QString after = proxy.index(row, column).data().toString();
        QVERIFY2(order == Qt::AscendingOrder ? before <= after : before >= after, qPrintable(before + QLatin1Char('|') + after));
    }
}

void TestCommonWidgets::cleanupTestCase()
{
    if (!database.isEmpty())
        TestDatabase::dropDatabase(database);
}

VORANTEL_TEST_MAIN(TestCommonWidgets)
#include "tst_commonwidgets.moc"
