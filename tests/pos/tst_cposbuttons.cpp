#include "cpos.h"
#include "cposbutton.h"
#include "posfixture.h"

#include <QComboBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

// The product button grid of the sale screen: pages, categories, pictures, fillers and a press.
class TestCPOSButtons : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    TestCPOSButtons() : SaleScreenTest(QStringLiteral("pos_grid"), {{"POS_ROWS", 3}}, {"err_msg_13", "err_msg_44"}) {}

private slots:
    void pagesBothWays();
    void categoryPages();
    void pictures_data();
    void pictures();
    void buttonAddsItsItem();
    void scanAfterTapLands_data();
    void scanAfterTapLands();
    void rowsBelowOneReadAsOne();
    void namesShownAsStored_data();
    void namesShownAsStored();

private:
    struct Screen : PosFixture::Screen
    {
        // The grid's buttons and captions in layout order: "code|caption" per place.
        QStringList places() const
        {
            QStringList out;
            QGridLayout* grid = screen->findChild<QGridLayout*>(QStringLiteral("gridLayout_12"));
            for (int row = 0; row < grid->rowCount(); row += 2)
                for (int column = 0; column < grid->columnCount(); ++column) {
                    QLayoutItem* b = grid->itemAtPosition(row, column);
                    QLayoutItem* l = grid->itemAtPosition(row + 1, column);
                    if (!b)
                        continue;
                    out << qobject_cast<CPosButton*>(b->widget())->GetCode() + QLatin1Char('|')
                            + qobject_cast<QLabel*>(l->widget())->text();
                }
            return out;
        }
        CPosButton* button(int place) const
        {
            QGridLayout* grid = screen->findChild<QGridLayout*>(QStringLiteral("gridLayout_12"));
            return qobject_cast<CPosButton*>(
                grid->itemAtPosition(2 * (place / screen->posRows), place % screen->posColumns)->widget());
        }
        QString label() const { return Child<QLabel>(screen, "labelFavPages")->text(); }
    };
    void addFlagged(const QString& code, const QString& name, int category = 1, const QString& image = QString())
    {
        QCOMPARE(PosFixture::AddStock(inventoryDb, code, {{"NAME", name}}), QString());
        QCOMPARE(TestDatabase::exec(inventoryDb,
                                    {QStringLiteral("UPDATE tblInventory SET SHOW_ON_POS = 1 WHERE BAR_CODE = '%1'").arg(code),
                                     QStringLiteral("UPDATE tblProducts SET CATEGORY_ID = %1, IMAGE_FILE = '%2' WHERE "
                                                    "PRODUCT_CODE = '%3'")
                                         .arg(category)
                                         .arg(image, code)}),
                 QString());
    }
    void initDatabases() override
    {
        QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("INSERT INTO tblProductCategories (ID, NAME) VALUES "
                                                                 "(1, 'Drinks'), (2, 'Food'), (3, 'Empty')")}),
                 QString());
    }
};

void TestCPOSButtons::pagesBothWays()
{
    for (int i = 0; i < 10; ++i)
        addFlagged(QStringLiteral("G%1").arg(i), QStringLiteral("Item %1").arg(i));
    QCOMPARE(PosFixture::AddStock(inventoryDb, QStringLiteral("HIDDEN")), QString());
    QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("UPDATE tblInventory SET SHOW_ON_POS = 0 WHERE BAR_CODE = 'HIDDEN'")}),
             QString());
    Screen s;
    QCOMPARE(s.label(), QStringLiteral("Page 1 of 2 "));
    QStringList first;
    for (int i = 0; i < 9; ++i)
        first << QStringLiteral("G%1|Item %1").arg(i);
    QCOMPARE(s.places(), first);
    // Colours by row.
    QVERIFY(s.button(0)->styleSheet().contains(QLatin1String("#228B22")));
    QVERIFY(s.button(3)->styleSheet().contains(QLatin1String("#FF5309")));
    QVERIFY(s.button(8)->styleSheet().contains(QLatin1String("#6495ED")));
    QVERIFY(s.button(0)->styleSheet().startsWith(QLatin1String(" CPosButton { min-width: 90px;")));

    s.screen->on_nextButton_clicked();
    QCOMPARE(s.label(), QStringLiteral("Page 2 of 2 "));
    QStringList second{"G9|Item 9"};
    for (int i = 1; i < 9; ++i)
        second << QStringLiteral("NOCODE|UNUSED");
    QCOMPARE(s.places(), second);
    s.screen->on_nextButton_clicked();
    QCOMPARE(s.label(), QStringLiteral("Page 2 of 2 "));
    s.screen->on_previousButton_clicked();
    QCOMPARE(s.label(), QStringLiteral("Page 1 of 2 "));
    QCOMPARE(s.places(), first);
    s.screen->on_previousButton_clicked();
    QCOMPARE(s.places(), first);
}

void TestCPOSButtons::categoryPages()
{
    addFlagged(QStringLiteral("D1"), QStringLiteral("Apple juice"), 1);
    addFlagged(QStringLiteral("F1"), QStringLiteral("Bread"), 2);
    addFlagged(QStringLiteral("D2"), QStringLiteral("Cola"), 1);
    Screen s;
    auto* combo = Child<QComboBox>(s.screen, "comboCategory");
    QCOMPARE(combo->currentIndex(), -1);
    combo->setCurrentText(QStringLiteral("Drinks"));
    QCOMPARE(s.label(), QStringLiteral("Category Page 1 of 1 "));
    QCOMPARE(s.places().mid(0, 3), (QStringList{"D1|Apple juice", "D2|Cola", "NOCODE|UNUSED"}));
    s.screen->on_nextButton_clicked();
    QCOMPARE(s.label(), QStringLiteral("Category Page 1 of 1 "));
    combo->setCurrentText(QStringLiteral("Empty"));
    QCOMPARE(s.label(), QStringLiteral("Category Page 1 of 0 "));
    QCOMPARE(s.places().count(QStringLiteral("NOCODE|UNUSED")), 9);
    s.screen->on_pushFavPages_clicked();
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(s.label(), QStringLiteral("Page 1 of 1 "));
    QCOMPARE(s.places().mid(0, 4), (QStringList{"D1|Apple juice", "F1|Bread", "D2|Cola", "NOCODE|UNUSED"}));
}

void TestCPOSButtons::pictures_data()
{
    QTest::addColumn<QString>("imageFile"); // "@" stands for the pictures' folder
    QTest::addColumn<bool>("inImagesFolder");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sheetHas");
    QTest::newRow("missing picture") << "@/nothing.png" << false << "IMAGE NOT\n FOUND" << "#228B22";
    QTest::newRow("picture by its path") << "@/pic.png" << false << "" << "border-image:url(@/pic.png)";
    QTest::newRow("images folder takes the file name") << "/elsewhere/pic.png" << true << ""
                                                       << "border-image:url(@/pic.png)";
    QTest::newRow("no picture") << ":/resources/images/NoImageAvailable.jpg" << false << "" << "#228B22";
}

void TestCPOSButtons::pictures()
{
    QFETCH(QString, imageFile);
    QFETCH(bool, inImagesFolder);
    QFETCH(QString, text);
    QFETCH(QString, sheetHas);
    // Not in the scratch folder: IMAGE_FILE holds 150 characters, and a checkout's path can take most of them.
    const QTemporaryDir pictures(TestSupport::ShortTempTemplate(QStringLiteral("pictures")));
    const QString dir = pictures.path();
    QImage(8, 8, QImage::Format_RGB32).save(dir + QStringLiteral("/pic.png"));
    if (inImagesFolder)
        AppSettings::Instance()->settings->setValue(QStringLiteral("IMAGES_FOLDER"), dir);
    addFlagged(QStringLiteral("I1"), QStringLiteral("Pictured"), 1, imageFile.replace(QLatin1Char('@'), dir));
    Screen s;
    QCOMPARE(s.button(0)->text(), text);
    QVERIFY2(s.button(0)->styleSheet().contains(sheetHas.replace(QLatin1Char('@'), dir)),
             qPrintable(s.button(0)->styleSheet()));
}

void TestCPOSButtons::buttonAddsItsItem()
{
    addFlagged(QStringLiteral("T1"), QStringLiteral("Tea"));
    Screen s;
    s.button(0)->click();
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT BAR_CODE, TRANSACTION_ID FROM tblSalesInvoice")),
             QStringList{QStringLiteral("T1|") + s.screen->transactionId});
    QCOMPARE(PosFixture::Stock(inventoryDb, QStringLiteral("T1")), QStringLiteral("99|0"));
    QVERIFY(s.screen->changedSinceSave);
    // A filler does nothing.
    s.button(1)->click();
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT COUNT(*) FROM tblSalesInvoice")), QStringList{"1"});
}

void TestCPOSButtons::scanAfterTapLands_data()
{
    QTest::addColumn<bool>("held"); // a held-sale button instead of a product button
    QTest::addColumn<QStringList>("lines"); // the codes of the lines after the scan
    QTest::newRow("product button") << false << QStringList{"T1", "4006381333931"};
    QTest::newRow("held-sale button") << true << QStringList{"4006381333931"};
}

// A scanner without the prefix types into the focus: a tap must leave it in the scanner line.
void TestCPOSButtons::scanAfterTapLands()
{
    QFETCH(bool, held);
    QFETCH(QStringList, lines);
    addFlagged(QStringLiteral("T1"), QStringLiteral("Tea"));
    QCOMPARE(PosFixture::AddStock(inventoryDb, QStringLiteral("4006381333931")), QString());
    QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("UPDATE tblInventory SET SHOW_ON_POS = 0 WHERE BAR_CODE = "
                                                             "'4006381333931'")}),
             QString());
    if (held) {
        QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, TIME_STAMP, "
                                                             "STATUS) VALUES (7, 'clerk', NOW(), 0)"),
                                              QStringLiteral("INSERT INTO tblPendingPayments (TRANSACTION_ID, "
                                                             "BUTTON_INDEX, PAYMENT_NAME) VALUES (7, 1, 'Table 4')")}),
                 QString());
    }
    Screen s;
    s.host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
    if (held) {
        auto* tabs = Child<QTabWidget>(s.screen, "tabWidget");
        tabs->setCurrentIndex(2);
        QTest::mouseClick(Child<QWidget>(s.screen, "scrollAreaPendingPaymentsContents")->findChild<CPosButton*>(),
                          Qt::LeftButton);
        QTRY_COMPARE(s.screen->transactionId, QStringLiteral("7"));
    } else {
        QTest::mouseClick(s.button(0), Qt::LeftButton);
    }
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("4006381333931"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT BAR_CODE FROM tblSalesInvoice ORDER BY ID")), lines);
    if (held)
        QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT DISTINCT TRANSACTION_ID FROM tblSalesInvoice")),
                 QStringList{"7"});
}

void TestCPOSButtons::rowsBelowOneReadAsOne()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("POS_ROWS"), 0);
    addFlagged(QStringLiteral("A1"), QStringLiteral("Alpha"));
    addFlagged(QStringLiteral("B1"), QStringLiteral("Beta"));
    Screen s;
    QCOMPARE(s.screen->posRows, 1);
    QCOMPARE(s.label(), QStringLiteral("Page 1 of 2 "));
    QCOMPARE(s.places(), QStringList{"A1|Alpha"});
}

void TestCPOSButtons::namesShownAsStored_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tip"); // of the button and of its caption, as shown; empty: none
    QTest::newRow("short name with markup") << "<b>Tea</b>" << "<b>Tea</b>" << "";
    const QString cut = QStringLiteral("<h1>Big</h1><img src=/tmp/some.png> tea");
    QTest::newRow("cut name with markup") << cut << "<h1>Big</h .." << cut;
}

void TestCPOSButtons::namesShownAsStored()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, tip);
    addFlagged(QStringLiteral("M1"), name);
    Screen s;
    QGridLayout* grid = s.screen->findChild<QGridLayout*>(QStringLiteral("gridLayout_12"));
    auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(1, 0)->widget());
    QCOMPARE(TestSupport::AsShown(label->text(), label->textFormat()), caption);
    QCOMPARE(TestSupport::AsShown(s.button(0)->toolTip()), tip);
    QCOMPARE(TestSupport::AsShown(label->toolTip()), tip);
}

VORANTEL_TEST_MAIN(TestCPOSButtons)
#include "tst_cposbuttons.moc"
