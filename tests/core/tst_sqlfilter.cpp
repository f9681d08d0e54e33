#include "sqlfilter.h"

#include <QAbstractListModel>
#include <QtTest>

namespace {

const int FETCH_LIMIT = 1000;

// Hands out its rows 256 at a time, as the SQL models do. From `stall` rows on it goes on claiming more while a
// fetch adds nothing, as a result whose connection broke does; it gives up after FETCH_LIMIT fetches, so that a
// caller that never stops fails instead of hanging.
class BatchModel : public QAbstractListModel
{
public:
    BatchModel(int total, int stall) : total(total), stall(stall) {}
    int fetches = 0;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows; }
    QVariant data(const QModelIndex&, int) const override { return QVariant(); }
    bool canFetchMore(const QModelIndex& parent) const override
    {
        return !parent.isValid() && rows < total && fetches < FETCH_LIMIT;
    }
    void fetchMore(const QModelIndex&) override
    {
        ++fetches;
        const int more = qMin(256, qMin(total, stall) - rows);
        if (more <= 0)
            return;
        beginInsertRows(QModelIndex(), rows, rows + more - 1);
        rows += more;
        endInsertRows();
    }

private:
    const int total;
    const int stall;
    int rows = 0;
};

} // namespace

class TestSqlFilter : public QObject
{
    Q_OBJECT

private slots:
    void fetchAll_data();
    void fetchAll();
};

void TestSqlFilter::fetchAll_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("stall");
    QTest::addColumn<int>("rows"); // loaded afterwards
    QTest::newRow("three batches") << 600 << 600 << 600;
    QTest::newRow("a broken result after 300 rows") << 1000 << 300 << 300;
}

void TestSqlFilter::fetchAll()
{
    QFETCH(int, total);
    QFETCH(int, stall);
    QFETCH(int, rows);
    BatchModel model(total, stall);
    SqlFilter::FetchAll(&model);
    QCOMPARE(model.rowCount(), rows);
    QVERIFY2(model.fetches < FETCH_LIMIT, "went on fetching after a fetch that brought nothing");
}

QTEST_GUILESS_MAIN(TestSqlFilter)
#include "tst_sqlfilter.moc"
