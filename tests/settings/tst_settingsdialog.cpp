#include "appsettings.h"
#include "modalanswerer.h"
#include "settingsdialog.h"
#include "settingspage.h"
#include "testsupport.h"

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>

namespace {

// A page that loads lazily, as the real pages do, and records what the dialog asks of it.
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
        if (!loaded)
            return true;
        if (!accept)
            return false;
        AppSettings::Instance()->settings->setValue(key(), value);
        return true;
    }

    void LoadSettings() override
    {
        *log << QStringLiteral("load %1").arg(index);
        if (loaded)
            return;
        value = AppSettings::Instance()->settings->value(key(), QStringLiteral("shown")).toString();
        loaded = true;
    }

    QString key() const { return QStringLiteral("test_page_%1").arg(index); }

    bool accept = true;
    QString value;

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
        auto* page = new RecordingPage(&dialog, i, log);
        stack->insertWidget(i, page);
        stack->removeWidget(old);
        delete old;
        pages << page;
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

QList<int> Numbers(const QString& text)
{
    QList<int> out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out << part.toInt();
    return out;
}

QStringList Saves(const QStringList& log)
{
    return log.filter(QStringLiteral("save "));
}

QStringList WrittenTestKeys()
{
    return AppSettings::Instance()->settings->allKeys().filter(QStringLiteral("test_page_"));
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void pageList_data();
    void pageList();
    void opensAtFirstPage();
    void selectingRowShowsAndLoadsItsPage_data();
    void selectingRowShowsAndLoadsItsPage();
    void saveProtocol_data();
    void saveProtocol();
    void saveAgainAfterCorrectionStartsFromFirstPage();
    void closeAsksNoPage();
    void execEndsRejectedEitherWay_data();
    void execEndsRejectedEitherWay();
};

void TestSettingsDialog::init()
{
    TestSupport::ClearSettings();
}

void TestSettingsDialog::pageList_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("icon");
    const char* rows[][2] = {{"General", "general.png"},           {"Company", "company.png"},
                             {"Currency", "currency.png"},         {"Tax", "tax.png"},
                             {"Printing", "printer.png"},          {"Small Receipt", "receipt_printer.png"},
                             {"Point of Sale", "pos.png"},         {"Pole Display", "pole.png"},
                             {"Security", "security.png"},         {"Product Images", "logo.png"},
                             {"MySql Server", "mysqlserver.png"}};
    for (int i = 0; i < 11; ++i)
        QTest::addRow("%d %s", i, rows[i][0]) << i << QString::fromLatin1(rows[i][0]) << QString::fromLatin1(rows[i][1]);
}

void TestSettingsDialog::pageList()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QString, icon);

    SettingsDialog dialog;
    QListWidget* list = dialog.contentWidget();
    QCOMPARE(list->count(), 11);
    QCOMPARE(dialog.pagesWidget()->count(), 11);

    QListWidgetItem* item = list->item(row);
    QCOMPARE(item->text(), text);
    const QString iconPath = QStringLiteral(":/resources/images/settings/") + icon;
    QVERIFY2(QFile::exists(iconPath), qPrintable(iconPath));
    QVERIFY(!item->icon().pixmap(32, 32).isNull());
    QCOMPARE(item->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QCOMPARE(item->textAlignment(), int(Qt::AlignVCenter));
    QVERIFY(qobject_cast<SettingsPage*>(dialog.pagesWidget()->widget(row)));
}

void TestSettingsDialog::opensAtFirstPage()
{
    SettingsDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
    QCOMPARE(dialog.size(), QSize(915, 635));
    QCOMPARE(dialog.contentWidget()->currentRow(), 0);
    QCOMPARE(dialog.pagesWidget()->currentIndex(), 0);
    QVERIFY(!dialog.saved);
}

void TestSettingsDialog::selectingRowShowsAndLoadsItsPage_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("loads");
    QTest::newRow("company") << "1" << 1 << "load 1";
    QTest::newRow("point of sale, as the sale screen opens it") << "6" << 6 << "load 6";
    QTest::newRow("last row") << "10" << 10 << "load 10";
    // Every selection loads again; a lazy page then keeps what the user typed.
    QTest::newRow("back to an earlier page") << "3,5,3" << 3 << "load 3,load 5,load 3";
}

void TestSettingsDialog::selectingRowShowsAndLoadsItsPage()
{
    QFETCH(QString, rows);
    QFETCH(int, shown);
    QFETCH(QString, loads);

    SettingsDialog dialog;
    QStringList log;
    InstallRecordingPages(dialog, &log);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (int row : Numbers(rows))
        dialog.contentWidget()->setCurrentRow(row);

    QCOMPARE(dialog.pagesWidget()->currentIndex(), shown);
    QVERIFY(dialog.pagesWidget()->widget(shown)->isVisible());
    QCOMPARE(log, loads.split(QLatin1Char(',')));
}

void TestSettingsDialog::saveProtocol_data()
{
    QTest::addColumn<QString>("visits");     // rows the user looks at, in order
    QTest::addColumn<int>("rejecting");      // page that refuses its values, -1 for none
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("pagesAsked");     // pages 0 .. n-1 were asked to save
    QTest::addColumn<int>("stackShows");
    QTest::addColumn<int>("listRow");
    QTest::addColumn<QString>("writtenPages");

    QTest::newRow("every page accepts: only shown pages write")
        << "2,5" << -1 << true << 11 << 5 << 5 << "2,5";
    QTest::newRow("tax rejects: earlier pages keep their keys")
        << "1,3,5" << 3 << false << 4 << 3 << 5 << "1";
    QTest::newRow("first page rejects")
        << "0,4" << 0 << false << 1 << 0 << 4 << "";
    QTest::newRow("last page rejects")
        << "10,2" << 10 << false << 11 << 10 << 2 << "2";
}

void TestSettingsDialog::saveProtocol()
{
    QFETCH(QString, visits);
    QFETCH(int, rejecting);
    QFETCH(bool, saved);
    QFETCH(int, pagesAsked);
    QFETCH(int, stackShows);
    QFETCH(int, listRow);
    QFETCH(QString, writtenPages);

    SettingsDialog dialog;
    QStringList log;
    const QList<RecordingPage*> pages = InstallRecordingPages(dialog, &log);
    if (rejecting >= 0)
        pages[rejecting]->accept = false;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (int row : Numbers(visits))
        ShowRow(dialog, row);
    log.clear();

    dialog.findChild<QPushButton*>(QStringLiteral("pushSave"))->click();

    QCOMPARE(dialog.saved, saved);
    QCOMPARE(dialog.isVisible(), !saved);
    QStringList expectedSaves;
    for (int i = 0; i < pagesAsked; ++i)
        expectedSaves << QStringLiteral("save %1").arg(i);
    QCOMPARE(Saves(log), expectedSaves);
    if (!saved) {
        QCOMPARE(dialog.pagesWidget()->currentIndex(), stackShows);
        QCOMPARE(dialog.contentWidget()->currentRow(), listRow);
    }
    QStringList expectedKeys;
    for (int page : Numbers(writtenPages))
        expectedKeys << QStringLiteral("test_page_%1").arg(page);
    QStringList written = WrittenTestKeys();
    written.sort();
    expectedKeys.sort();
    QCOMPARE(written, expectedKeys);
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
    QCOMPARE(Saves(log).size(), 11);
    QCOMPARE(Saves(log).first(), QStringLiteral("save 0"));
    QCOMPARE(WrittenTestKeys(), QStringList{QStringLiteral("test_page_3")});
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
    QVERIFY(Saves(log).isEmpty());
    QVERIFY(WrittenTestKeys().isEmpty());
}

void TestSettingsDialog::execEndsRejectedEitherWay_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("saved");
    QTest::newRow("save") << "pushSave" << true;
    QTest::newRow("close") << "pushClose" << false;
}

void TestSettingsDialog::execEndsRejectedEitherWay()
{
    QFETCH(QString, button);
    QFETCH(bool, saved);

    // The dialog as it is shipped: its pages must not write anything of their own.
    QVERIFY(AppSettings::Instance()->settings->allKeys().isEmpty());
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
    QCOMPARE(AppSettings::Instance()->settings->allKeys(), QStringList());
}

VORANTEL_TEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
