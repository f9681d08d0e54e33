#include "cpos.h"
#include "posfixture.h"
#include "ptypair.h"
#include "qposdialog.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QTabWidget>

#include <functional>

// The sale screen's customer display on a pseudo-terminal pair: what each command set shows at
// start-up, for an item and for a payment, and a port that does not open. The screen itself on a
// till's display under each theme.
class TestCPOSDisplay : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    TestCPOSDisplay() : SaleScreenTest(QStringLiteral("pos_pole"), {{"enable_pole_display", true}}, {"err_msg_13"}) {}

private slots:
    void saleOnTheDisplay_data();
    void saleOnTheDisplay();
    void unopenablePortSwitchesDisplayOff_data();
    void unopenablePortSwitchesDisplayOff();
    void screenFitsATill_data();
    void screenFitsATill();
    void amountShownWhole_data();
    void amountShownWhole();

private:
    void initTest() override { addStock(QStringLiteral("P23"), {{"SALE_PRICE", 23}}); }
};

namespace {

// Lines 1 and 2 of each command set.
QByteArray Lines(int set, const QByteArray& one, const QByteArray& two)
{
    switch (set) {
    case 0: return "\x1F\x14\x11" + one + "\r\n" + two;
    case 1: return "\x0C\x0B\x1F\x43\x30\x30" + one + "\x0B\x0A\x18" + two;
    case 2: return "!#1" + one + "\r!#2" + two + "\r";
    default: return one + "\r\n" + two;
    }
}

struct Screen : PosFixture::Screen
{
    Screen() : PosFixture::Screen(false) {}
};

QString Place(const QString& name, const QPoint& at, const QSize& size)
{
    return QStringLiteral("%1 %2,%3 %4x%5").arg(name).arg(at.x()).arg(at.y()).arg(size.width()).arg(size.height());
}

// What a cashier cannot see on the screen: each scroll area whose contents need more room than it
// has, and each named widget outside the visible part of the scroll area that holds it.
QStringList Hidden(const CPOS* screen)
{
    QStringList out;
    QList<const QScrollArea*> areas{screen};
    for (const QScrollArea* inner : screen->findChildren<QScrollArea*>())
        areas << inner;
    for (const QScrollArea* area : areas) {
        const QSize needs = area->widget()->minimumSizeHint();
        if (area->isVisible() && (needs.width() > area->viewport()->width() || needs.height() > area->viewport()->height()))
            out << Place(area->objectName() + QLatin1String(" needs"), QPoint(), needs);
    }
    for (const QWidget* w : screen->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QScrollArea* area = nullptr;
        for (const QWidget* up = w->parentWidget(); up && !area; up = up->parentWidget())
            area = qobject_cast<const QScrollArea*>(up);
        const QPoint at = area ? w->mapTo(area->viewport(), QPoint(0, 0)) : QPoint();
        if (area && area->widget() != w && !area->viewport()->rect().contains(QRect(at, w->size())))
            out << Place(w->objectName(), at, w->size());
    }
    return out;
}

// Where the totals are drawn, and whether each amount has the height its text needs.
QStringList Totals(const CPOS* screen)
{
    QStringList out;
    for (const char* name : {"groupBox_7", "lineEditTax", "lineEditTotal", "lineEditPaid", "lineEditChange",
                             "labelTax", "labelTotal", "labelPaid", "labelChange"}) {
        const auto* w = Child<QWidget>(screen, name);
        out << Place(QLatin1String(name), w->mapTo(screen->widget(), QPoint(0, 0)), w->size())
                   + (w->height() < w->sizeHint().height() ? QStringLiteral(" cut") : QString());
    }
    return out;
}

void SettleLayout()
{
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
}

} // namespace

void TestCPOSDisplay::saleOnTheDisplay_data()
{
    QTest::addColumn<int>("commandSet");
    QTest::addColumn<QByteArray>("startUp");
    QTest::newRow("LCI") << 0 << QByteArray("\x1F\x14\x11\x1F\x14\x05WELCOME");
    QTest::newRow("Epson") << 1 << QByteArray("\x0C\x0B\x1F\x43\x30\x30\x0C\x0B\x1F\x43\x30\x30\x1F\x03WELCOME");
    QTest::newRow("Emax") << 2 << QByteArray("\r\r!#1 \r\n\n!#4WELCOME\r");
    QTest::newRow("IEE") << 3 << QByteArray("\x14\x0C\x0E\x14\x0C\x0EWELCOME");
}

void TestCPOSDisplay::saleOnTheDisplay()
{
    QFETCH(int, commandSet);
    QFETCH(QByteArray, startUp);
    PtyPair pty;
    QVERIFY(pty.start());
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("pole_port"), pty.displayEnd());
    store->setValue(QStringLiteral("pole_command_set"), commandSet);

    Screen s;
    // The start-up's clear and welcome come first: nothing reached the port before it opened.
    QTRY_VERIFY2(pty.received().startsWith(startUp), pty.received().toHex().constData());
    QVERIFY(s.screen->poleDisplay);
    pty.forget();

    s.scan(QStringLiteral("P23"));
    const QByteArray priceAndTotal = Lines(commandSet, "Price:         23.00", "Total:         23.00");
    QTRY_VERIFY2(pty.received().endsWith(priceAndTotal), pty.received().toHex().constData());
    pty.forget();

    Child<QLineEdit>(s.screen, "lineEditPaid")->setText(QStringLiteral("23.00"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    const QByteArray paidAndDue = Lines(commandSet, "Paid:          23.00", "Due:            0.00");
    QTRY_COMPARE(pty.received(), paidAndDue);
}

void TestCPOSDisplay::unopenablePortSwitchesDisplayOff_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("commandSet");
    QTest::addColumn<int>("messages");
    QTest::newRow("no port chosen") << "NONE" << 0 << 1;
    QTest::newRow("absent device") << "/dev/vorantel-no-such-port" << 2 << 1;
    QTest::newRow("unknown command set") << "NONE" << 7 << 0;
}

void TestCPOSDisplay::unopenablePortSwitchesDisplayOff()
{
    QFETCH(QString, port);
    QFETCH(int, commandSet);
    QFETCH(int, messages);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("pole_port"), port);
    store->setValue(QStringLiteral("pole_command_set"), commandSet);
    if (messages)
        answerer->pressButton(QMessageBox::Ok);
    Screen s;
    QTRY_VERIFY(!s.screen->poleDisplayEnabled);
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages(),
             messages ? QStringList{"Test|Error occurred while opening serial port. Please check all parameters and try "
                                    "again."}
                      : QStringList());
    QVERIFY(!s.screen->poleDisplay);
    // The screen goes on without it.
    s.scan(QStringLiteral("P23"));
    Child<QLineEdit>(s.screen, "lineEditPaid")->setText(QStringLiteral("23.00"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    QCOMPARE(Child<QLabel>(s.screen, "labelStatus")->text(), QStringLiteral("Paid successfully and saved."));
    QCOMPARE(answerer->seen.size(), messages);
}

void TestCPOSDisplay::screenFitsATill_data()
{
    const QString light = QStringLiteral(":/resources/stylesheets/WindowsStyleSheetLight.txt");
    const QString dark = QStringLiteral(":/resources/stylesheets/WindowsStyleSheet.txt");
    QTest::addColumn<QString>("styleSheet");
    QTest::addColumn<int>("posMode");
    QTest::addColumn<QSize>("display");
    QTest::addColumn<QString>("subItemsMode");
    QTest::newRow("light") << light << 1 << QSize(1366, 768) << "n";
    QTest::newRow("dark") << dark << 1 << QSize(1366, 768) << "n";
    QTest::newRow("no theme") << QString() << 1 << QSize(1366, 768) << "n";
    QTest::newRow("light, invoice mode") << light << 0 << QSize(1366, 768) << "n";
    QTest::newRow("dark, invoice mode") << dark << 0 << QSize(1366, 768) << "n";
    QTest::newRow("no theme, invoice mode") << QString() << 0 << QSize(1366, 768) << "n";
    QTest::newRow("light, 1280x1024, invoice mode") << light << 0 << QSize(1280, 1024) << "n";
    QTest::newRow("dark, 1920x1080, invoice mode") << dark << 0 << QSize(1920, 1080) << "n";
    QTest::newRow("light, sub-items, invoice mode") << light << 0 << QSize(1366, 768) << "y";
    QTest::newRow("dark, 1280x1024, sub-items, invoice mode") << dark << 0 << QSize(1280, 1024) << "y";
}

void TestCPOSDisplay::screenFitsATill()
{
    QFETCH(QString, styleSheet);
    QFETCH(int, posMode);
    QFETCH(QSize, display);
    QFETCH(QString, subItemsMode);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(SUB_ITEMS_MODE, subItemsMode);
    store->setValue(QStringLiteral("enable_pole_display"), false);
    store->setValue(QStringLiteral("POS_MODE"), posMode);
    QString sheet;
    if (!styleSheet.isEmpty()) {
        QFile file(styleSheet);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        sheet = QString::fromUtf8(file.readAll());
    }
    // As the launcher builds it: the theme reaches the screen from the main window, the host's parent.
    QWidget mainWindow;
    mainWindow.setStyleSheet(sheet);
    auto* host = new QPOSDialog(&mainWindow, false);
    auto* screen = new CPOS(host);
    (new QGridLayout(host))->addWidget(screen);
    host->setGeometry(QRect(QPoint(0, 0), display));
    host->show();
    SettleLayout();
    QCOMPARE(host->size(), display);

    auto* tabs = Child<QTabWidget>(screen, "tabWidget");
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        SettleLayout();
        QVERIFY2(Hidden(screen).isEmpty(),
                 qPrintable(tabs->tabText(page) + QLatin1String(": ") + Hidden(screen).join(QLatin1String("; "))));
    }
    QVERIFY(!screen->horizontalScrollBar()->isVisible());
    QVERIFY(!screen->verticalScrollBar()->isVisible());

    // A text coming and going moves nothing: a click that waited while the screen was busy lands where it was aimed.
    const QStringList totals = Totals(screen);
    QVERIFY2(!totals.join(QLatin1Char(' ')).contains(QLatin1String("cut")), qPrintable(totals.join(QLatin1String("; "))));
    auto* label = Child<QLabel>(screen, "labelStatus");
    const auto places = [&] {
        QStringList out;
        for (const char* name : {"pushDeleteItem", "pushAddItem", "tableViewItems"}) {
            const auto* w = Child<QWidget>(screen, name);
            out << Place(QLatin1String(name), w->mapTo(host, QPoint(0, 0)), w->size());
        }
        return out;
    };
    const QStringList built = places();
    const QVector<std::function<void()>> steps{
        [&] { screen->ShowStatus(QStringLiteral("No stock found with code ") + QString(300, QLatin1Char('9')), true); },
        [&] { screen->OnStatusWatchDogTimeout(); },
        [&] { screen->OnStatusShowTimeout(); },
    };
    const QList<bool> shown{true, true, false};
    for (int step = 0; step < steps.size(); ++step) {
        steps.at(step)();
        SettleLayout();
        QCOMPARE(label->isVisible(), shown.at(step));
        QCOMPARE(places(), built);
        QCOMPARE(Totals(screen), totals);
        QVERIFY2(Hidden(screen).isEmpty(), qPrintable(Hidden(screen).join(QLatin1String("; "))));
        QVERIFY(!screen->verticalScrollBar()->isVisible());
    }
}

// An amount cut at its side reads as another number: a narrow window scrolls the screen rather than cut it, and
// ordinary amounts move nothing.
void TestCPOSDisplay::amountShownWhole_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("paid"); // typed key by key
    QTest::addColumn<QStringList>("shown"); // TOTAL, PAID, DUE
    QTest::newRow("ten characters, 1024") << 123456.78 << 1024 << QString()
                                          << QStringList{"123,456.78", "0", "123,456.78"};
    QTest::newRow("1,234,567.89, 1280") << 1234567.89 << 1280 << QString()
                                        << QStringList{"1,234,567.89", "0", "1,234,567.89"};
    QTest::newRow("1,234,567.89, 1024") << 1234567.89 << 1024 << QString()
                                        << QStringList{"1,234,567.89", "0", "1,234,567.89"};
    QTest::newRow("12,345,678.90, 1280") << 12345678.9 << 1280 << QString()
                                         << QStringList{"12,345,678.90", "0", "12,345,678.90"};
    QTest::newRow("12,345,678.90, 1024") << 12345678.9 << 1024 << QString()
                                         << QStringList{"12,345,678.90", "0", "12,345,678.90"};
    QTest::newRow("paid 1,000,000.00, 1280") << 123456.78 << 1280 << "1,000,000.00"
                                             << QStringList{"123,456.78", "1,000,000.00", "-876,543.22"};
    QTest::newRow("paid 1,000,000.00, 1024") << 123456.78 << 1024 << "1,000,000.00"
                                             << QStringList{"123,456.78", "1,000,000.00", "-876,543.22"};
    QTest::newRow("ordinary, 1366") << 123456.78 << 1366 << "200000.00"
                                    << QStringList{"123,456.78", "200000.00", "-76,543.22"};
}

void TestCPOSDisplay::amountShownWhole()
{
    QFETCH(double, price);
    QFETCH(int, width);
    QFETCH(QString, paid);
    QFETCH(QStringList, shown);
    addStock(QStringLiteral("P10"), {{"SALE_PRICE", price}});
    Screen s;
    s.host->resize(width, 768);
    // A style sheet set above the screen (a theme chosen) polishes its fields again.
    s.host->setStyleSheet(QStringLiteral("QDialog { }"));
    // Each amount's text within its room: inside the frame and padding the style draws, less the text margins and
    // the edit's margin of 2 pixels a side.
    const auto cut = [&] {
        SettleLayout();
        QStringList out;
        for (const char* name : {"lineEditTax", "lineEditTotal", "lineEditPaid", "lineEditChange"}) {
            auto* field = Child<QLineEdit>(s.screen, name);
            QStyleOptionFrame option;
            option.initFrom(field);
            option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
            const int room = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field).width()
                             - field->textMargins().left() - field->textMargins().right() - 4;
            const int needs = field->fontMetrics().horizontalAdvance(field->text());
            if (needs > room)
                out << QStringLiteral("%1 \"%2\" needs %3 in %4")
                           .arg(QLatin1String(name), field->text())
                           .arg(needs)
                           .arg(room);
        }
        return out.join(QLatin1String("; "));
    };
    s.scan(QStringLiteral("P10"));
    QCOMPARE(cut(), QString());
    auto* paidField = Child<QLineEdit>(s.screen, "lineEditPaid");
    if (!paid.isEmpty())
        paidField->clear();
    for (const QChar key : paid) {
        QTest::keyClick(paidField, key.toLatin1());
        QVERIFY2(cut().isEmpty(), qPrintable(paidField->text() + QLatin1String(": ") + cut()));
    }
    QStringList texts;
    for (const char* name : {"lineEditTotal", "lineEditPaid", "lineEditChange"})
        texts << Child<QLineEdit>(s.screen, name)->text();
    QCOMPARE(texts, shown);
    // At a till's 1366 pixels no amount field is held at its least width: ordinary amounts shape nothing.
    for (const char* name : {"lineEditTax", "lineEditTotal", "lineEditPaid", "lineEditChange"}) {
        const auto* field = Child<QLineEdit>(s.screen, name);
        QVERIFY2(width != 1366 || field->width() > field->minimumWidth(), name);
    }
}

VORANTEL_TEST_MAIN(TestCPOSDisplay)
#include "tst_cposdisplay.moc"
