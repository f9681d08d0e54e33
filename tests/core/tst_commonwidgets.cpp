#include "appsettings.h"
#include "progress.h"
#include "scannerinputedit.h"
#include "sortingproxymodel.h"
#include "testsupport.h"
#include "voranteldialog.h"
#include "vorantellabel.h"

#include <QLabel>
#include <QSignalSpy>
#include <QStandardItemModel>

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
}

VORANTEL_TEST_MAIN(TestCommonWidgets)
#include "tst_commonwidgets.moc"
