#include "modalanswerer.h"
#include "settingsdialog.h"
#include "settingspage.h"
#include "testsupport.h"

#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>

namespace {

// A page that loads lazily, as the real pages do, and logs what the dialog asks of it.
class RecordingPage : public SettingsPage
{
public:
    RecordingPage(QWidget* parent, int index, QStringList* log)
        : SettingsPage(parent), index(index), log(log)
    {
    }
    bool SaveSettings() override
    {
        *log << QStringLiteral("save %1").arg(index);
        if (loaded && accept)
            TestSupport::Settings()->setValue(QStringLiteral("test_page_%1").arg(index), QStringLiteral("shown"));
        return !loaded || accept;
    }
    void LoadSettings() override
    {
        *log << QStringLiteral("load %1").arg(index);
        loaded = true;
    }
    bool accept = true;

private:
    int index;
    QStringList* log;
};

// Puts recording pages in place of the dialog's own, row for row.
QList<RecordingPage*> InstallRecordingPages(SettingsDialog& dialog, QStringList* log)
{
    QList<RecordingPage*> pages;
    QStackedWidget* stack = dialog.pagesWidget();
    for (int i = 0; i < stack->count(); ++i) {
        QWidget* old = stack->widget(i);
        pages << new RecordingPage(&dialog, i, log);
        stack->insertWidget(i, pages.last());
        stack->removeWidget(old);
        delete old;
    }
    return pages;
}

// Shows a row as a click on the list would, including the row that is current already.
void ShowRow(SettingsDialog& dialog, int row)
{
    if (dialog.contentWidget()->currentRow() == row)
        dialog.ChangePage(dialog.contentWidget()->item(row), nullptr);
    else
        dialog.contentWidget()->setCurrentRow(row);
}

QStringList WrittenPages()
{
    QStringList keys = TestSupport::Settings()->allKeys().filter(QStringLiteral("test_page_"));
    keys.sort();
    return keys.replaceInStrings(QStringLiteral("test_page_"), QString());
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }
    void pageList();
    void selectingRowShowsAndLoadsItsPage();
    void saveProtocol_data();
    void saveProtocol();
    void saveAgainAfterCorrectionStartsFromFirstPage();
    void closeAsksNoPage();
    void execEndsRejectedEitherWay_data();
    void execEndsRejectedEitherWay();
};

void TestSettingsDialog::pageList()
{
    SettingsDialog dialog;
    QStringList texts;
    for (int row = 0; row < dialog.contentWidget()->count(); ++row) {
        QListWidgetItem* item = dialog.contentWidget()->item(row);
        texts << item->text();
        QVERIFY2(!item->icon().pixmap(32, 32).isNull(), qPrintable(item->text()));
        QVERIFY(qobject_cast<SettingsPage*>(dialog.pagesWidget()->widget(row)));
    }
    QCOMPARE(texts, QStringList({"General", "Company", "Currency", "Tax", "Printing", "Small Receipt", "Point of Sale",
                                 "Pole Display", "Security", "Product Images", "MySql Server"}));
    QCOMPARE(dialog.pagesWidget()->count(), 11);
    QCOMPARE(dialog.contentWidget()->currentRow(), 0);
    QCOMPARE(dialog.pagesWidget()->currentIndex(), 0);
    QVERIFY(!dialog.saved);
}

void TestSettingsDialog::selectingRowShowsAndLoadsItsPage()
{
    SettingsDialog dialog;
    QStringList log;
    InstallRecordingPages(dialog, &log);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Every selection loads again; a lazy page then keeps what the user typed.
    for (int row : {10, 3, 10}) {
        dialog.contentWidget()->setCurrentRow(row);
        QCOMPARE(dialog.pagesWidget()->currentIndex(), row);
        QVERIFY(dialog.pagesWidget()->widget(row)->isVisible());
    }
    QCOMPARE(log, QStringList({"load 10", "load 3", "load 10"}));
}

void TestSettingsDialog::saveProtocol_data()
{
    QTest::addColumn<QList<int>>("visits"); // rows the user looks at, in order
    QTest::addColumn<int>("rejecting"); // page that refuses its values, -1 for none
    QTest::addColumn<int>("pagesAsked"); // pages 0 .. n-1 were asked to save
    QTest::addColumn<int>("listRow");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("every page accepts: only shown pages write") << QList<int>{2, 5} << -1 << 11 << 5 << QStringList{"2", "5"};
    QTest::newRow("tax rejects: earlier pages keep their keys") << QList<int>{1, 3, 5} << 3 << 4 << 5 << QStringList{"1"};
    QTest::newRow("last page rejects") << QList<int>{10, 2} << 10 << 11 << 2 << QStringList{"2"};
}

void TestSettingsDialog::saveProtocol()
{
    QFETCH(QList<int>, visits);
    QFETCH(int, rejecting);
    QFETCH(int, pagesAsked);
    QFETCH(int, listRow);
    QFETCH(QStringList, written);

    SettingsDialog dialog;
    QStringList log;
    const QList<RecordingPage*> pages = InstallRecordingPages(dialog, &log);
    if (rejecting >= 0)
        pages[rejecting]->accept = false;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (int row : visits)
        ShowRow(dialog, row);
    log.clear();
    dialog.findChild<QPushButton*>(QStringLiteral("pushSave"))->click();

    const bool saved = rejecting < 0;
    QCOMPARE(dialog.saved, saved);
    QCOMPARE(dialog.isVisible(), !saved);
    QStringList expectedSaves;
    for (int i = 0; i < pagesAsked; ++i)
        expectedSaves << QStringLiteral("save %1").arg(i);
    QCOMPARE(log, expectedSaves);
    if (!saved) { // the refusing page is shown; the list keeps its row
        QCOMPARE(dialog.pagesWidget()->currentIndex(), rejecting);
        QCOMPARE(dialog.contentWidget()->currentRow(), listRow);
    }
    QCOMPARE(WrittenPages(), written);
}

void TestSettingsDialog::saveAgainAfterCorrectionStartsFromFirstPage()
{
    SettingsDialog dialog;
    QStringList log;
    const QList<RecordingPage*> pages = InstallRecordingPages(dialog, &log);
    pages[3]->accept = false;
    dialog.show();
    ShowRow(dialog, 3);
    auto* save = dialog.findChild<QPushButton*>(QStringLiteral("pushSave"));
    save->click();
    QVERIFY(!dialog.saved);
    QVERIFY(dialog.isVisible());

    pages[3]->accept = true;
    log.clear();
    save->click();
    QVERIFY(dialog.saved);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(log.size(), 11);
    QCOMPARE(log.first(), QStringLiteral("save 0"));
    QCOMPARE(WrittenPages(), QStringList{"3"});
}

void TestSettingsDialog::closeAsksNoPage()
{
    SettingsDialog dialog;
    QStringList log;
    InstallRecordingPages(dialog, &log);
    dialog.show();
    ShowRow(dialog, 2);
    dialog.findChild<QPushButton*>(QStringLiteral("pushClose"))->click();
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.saved);
    QCOMPARE(log, QStringList{"load 2"});
    QVERIFY(WrittenPages().isEmpty());
}

void TestSettingsDialog::execEndsRejectedEitherWay_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QStringList>("keys"); // what the store holds afterwards, sorted
    // The general page is built loaded and gives the date format a default at once; the
    // point of sale row that the caller opens at holds no page of its own yet.
    QTest::newRow("save") << "pushSave" << true
                          << QStringList{"DATE_FORMAT", "SUB_ITEMS_MODE", "delimiter", "scaling_factor", "scaling_mode",
                                         "start_with_search_term", "theme", "time_format"};
    QTest::newRow("close") << "pushClose" << false << QStringList{"DATE_FORMAT"};
}

void TestSettingsDialog::execEndsRejectedEitherWay()
{
    QFETCH(QString, button);
    QFETCH(bool, saved);
    QFETCH(QStringList, keys);
    // The dialog as it is shipped: its pages write nothing beyond their own keys.
    QVERIFY(TestSupport::Settings()->allKeys().isEmpty());
    SettingsDialog dialog;
    dialog.contentWidget()->setCurrentRow(6);
    ModalAnswerer answerer;
    answerer.handle([button](QWidget* modal) {
        auto* pushButton = modal->findChild<QPushButton*>(button);
        if (!qobject_cast<SettingsDialog*>(modal) || !pushButton)
            return false;
        pushButton->click();
        return true;
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(answerer.failures.isEmpty());
    QCOMPARE(dialog.saved, saved);
    QStringList written = TestSupport::Settings()->allKeys();
    written.sort();
    QCOMPARE(written, keys);
}

VORANTEL_TEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
