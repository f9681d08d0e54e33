#include "appsettings.h"
#include "databasemanager.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHash>
#include <QPushButton>
#include <QSettings>

#include <algorithm>
#include <memory>

namespace {

const QString DARK_SHEET = QStringLiteral(":/resources/stylesheets/WindowsStyleSheet.txt");
const QString LIGHT_SHEET = QStringLiteral(":/resources/stylesheets/WindowsStyleSheetLight.txt");

QString ReadResource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
}

// The colour that covers most of the widget as it is drawn.
QColor DominantColour(QWidget* widget)
{
    const QImage image = widget->grab().toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000u];
    const auto best = std::max_element(counts.cbegin(), counts.cend());
    return QColor(best.key());
}

QString StoredTheme()
{
    return AppSettings::Instance()->settings->value(QStringLiteral("theme")).toString();
}

// The window after its start-up on a workstation whose server has no inventory database: the
// start-up's messages are closed as they come, and the window works without login, with full rights.
struct StartedWindow
{
    std::unique_ptr<ModalAnswerer> startAnswerer = std::make_unique<ModalAnswerer>();
    MainWindow window;

    StartedWindow() { startAnswerer.reset(); }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void statusButtonsFollowEachDatabase_data();
    void statusButtonsFollowEachDatabase();
    void themeActions_data();
    void themeActions();
    void dropDownHighlightIsReadable_data();
    void dropDownHighlightIsReadable();
    void childDialogStaysCentredOnResize_data();
    void childDialogStaysCentredOnResize();
    void backupOpensWithItsModule();
};

void TestMainWindow::init()
{
    TestSupport::ClearSettings();
    // A server that refuses at once, without welcome or first-start dialogs: the window then
    // starts without login.
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("SHOW_WELCOME"), 0);
    store->setValue(QStringLiteral("FIRST_TIME_START"), 0);
    store->setValue(QStringLiteral("DB_SERVER"), QStringLiteral("127.0.0.1"));
    store->setValue(QStringLiteral("DB_PORT"), QStringLiteral("1"));
    store->setValue(QStringLiteral("DB_USER"), QStringLiteral("nobody"));
    DatabaseManager::Instance()->CloseInventoryDatabase();
    AppSettings* appSettings = AppSettings::Instance();
    appSettings->roleName = QStringLiteral("ADMINISTRATOR");
    appSettings->SetPermittedModules({});
}

void TestMainWindow::statusButtonsFollowEachDatabase_data()
{
    // Outcomes of successive opening attempts, one character per attempt.
    QTest::addColumn<QString>("inventoryAttempts");
    QTest::addColumn<QString>("salesAttempts");
    QTest::addColumn<bool>("inventoryOn");
    QTest::addColumn<bool>("salesOn");
    QTest::newRow("inventory opened") << "1" << "" << true << false;
    QTest::newRow("sales opened") << "" << "1" << false << true;
    QTest::newRow("sales fails after both opened") << "1" << "10" << true << false;
}

void TestMainWindow::statusButtonsFollowEachDatabase()
{
    QFETCH(QString, inventoryAttempts);
    QFETCH(QString, salesAttempts);
    QFETCH(bool, inventoryOn);
    QFETCH(bool, salesOn);

    StartedWindow started;
    MainWindow& window = started.window;
    DatabaseStatusListener* listener = &window;
    for (int i = 0; i < qMax(inventoryAttempts.size(), salesAttempts.size()); ++i) {
        if (i < inventoryAttempts.size())
            listener->updateInventoryDbStatus(inventoryAttempts.at(i) == QLatin1Char('1'));
        if (i < salesAttempts.size())
            listener->updateSalesDbStatus(salesAttempts.at(i) == QLatin1Char('1'));
    }

    auto* inventory = window.findChild<QPushButton*>(QStringLiteral("pushInvDBStatus"));
    auto* sales = window.findChild<QPushButton*>(QStringLiteral("pushSalesDBStatus"));
    QVERIFY(inventory && sales);
    const auto onOff = [](bool on) { return on ? QStringLiteral("ON") : QStringLiteral("OFF"); };
    QCOMPARE(inventory->text(), QStringLiteral("Inventory Database\n\nSTATUS : ") + onOff(inventoryOn));
    QCOMPARE(sales->text(), QStringLiteral("Sales Database\n\nSTATUS : ") + onOff(salesOn));
    QCOMPARE(DominantColour(inventory), inventoryOn ? QColor(0, 128, 0) : QColor(255, 0, 0));
    QCOMPARE(DominantColour(sales), salesOn ? QColor(0, 128, 0) : QColor(255, 0, 0));
}

void TestMainWindow::themeActions_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expectedTheme");
    QTest::addColumn<QString>("expectedSheet");
    QTest::newRow("light to dark") << "action_Light_Theme" << "action_Dark_Theme" << "dark" << DARK_SHEET;
    QTest::newRow("dark to none") << "action_Dark_Theme" << "action_No_Theme" << "no_theme" << QString();
}

void TestMainWindow::themeActions()
{
    QFETCH(QString, before);
    QFETCH(QString, chosen);
    QFETCH(QString, expectedTheme);
    QFETCH(QString, expectedSheet);

    StartedWindow started;
    MainWindow& window = started.window;
    Child<QAction>(&window, qPrintable(before))->trigger();
    Child<QAction>(&window, qPrintable(chosen))->trigger();

    for (const char* name : {"action_Dark_Theme", "action_Light_Theme", "action_No_Theme"})
        QVERIFY2(Child<QAction>(&window, name)->isEnabled() == (chosen != QLatin1String(name)), name);
    QCOMPARE(StoredTheme(), expectedTheme);
    QCOMPARE(AppSettings::Instance()->Theme(), expectedTheme);
    QVERIFY(expectedSheet.isEmpty() || !ReadResource(expectedSheet).isEmpty());
    QCOMPARE(window.styleSheet(), expectedSheet.isEmpty() ? QString() : ReadResource(expectedSheet));
}

void TestMainWindow::dropDownHighlightIsReadable_data()
{
    QTest::addColumn<QString>("styleSheet");
    QTest::newRow("dark") << DARK_SHEET;
    QTest::newRow("light") << LIGHT_SHEET;
    QTest::newRow("no theme") << QString();
}

// The highlighted entry of an open drop-down list: its text stands out from its background.
void TestMainWindow::dropDownHighlightIsReadable()
{
    QFETCH(QString, styleSheet);
    QWidget window; // the main window carries the theme
    window.setStyleSheet(styleSheet.isEmpty() ? QString() : ReadResource(styleSheet));
    auto* combo = new QComboBox(&window);
    combo->addItems({QStringLiteral("Bakery"), QStringLiteral("Dairy"), QStringLiteral("Drinks")});
    combo->setCurrentIndex(1);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    QTRY_VERIFY(list->isVisible());
    const QRect row = list->visualRect(list->currentIndex()) & list->viewport()->rect();
    QVERIFY(!row.isEmpty());
    // The row's own colour is the commonest; the text is what differs most from it.
    const QImage image = list->viewport()->grab(row.adjusted(3, 3, -3, -3)).toImage();
    QHash<int, int> greys;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++greys[qGray(image.pixel(x, y))];
    const int background = std::max_element(greys.cbegin(), greys.cend()).key();
    int contrast = 0;
    for (auto it = greys.cbegin(); it != greys.cend(); ++it)
        contrast = qMax(contrast, qAbs(it.key() - background));
    QVERIFY2(contrast > 100, qPrintable(QStringLiteral("background grey %1, text contrast %2").arg(background).arg(contrast)));
    combo->hidePopup();
}

void TestMainWindow::childDialogStaysCentredOnResize_data()
{
    QTest::addColumn<QSize>("dialogSize");
    QTest::addColumn<QSize>("newWindowSize");
    // Each half is truncated on its own.
    QTest::newRow("odd sizes") << QSize(301, 201) << QSize(761, 541);
    QTest::newRow("dialog wider than window") << QSize(700, 200) << QSize(500, 400);
}

void TestMainWindow::childDialogStaysCentredOnResize()
{
    QFETCH(QSize, dialogSize);
    QFETCH(QSize, newWindowSize);

    StartedWindow started;
    MainWindow& window = started.window;
    window.showNormal();
    window.setGeometry(40, 30, 600, 450);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.size(), QSize(600, 450));

    QDialog dialog(&window);
    dialog.setModal(true);
    dialog.resize(dialogSize);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    window.resize(newWindowSize);
    QTRY_COMPARE(window.size(), newWindowSize);
    const QPoint expected(window.x() + newWindowSize.width() / 2 - dialogSize.width() / 2,
                          window.y() + newWindowSize.height() / 2 - dialogSize.height() / 2);
    QTRY_COMPARE(dialog.pos(), expected);
}

// Beyond the administrator, a role opens Backup through its module.
void TestMainWindow::backupOpensWithItsModule()
{
    StartedWindow started;
    MainWindow& window = started.window;
    AppSettings::Instance()->roleName = QStringLiteral("MANAGER");
    AppSettings::Instance()->SetPermittedModules({0, 15});
    QWidget* page = window.centralWidget();
    QWidget* parent = nullptr;
    ModalAnswerer answerer;
    answerer.handle([&](QWidget* modal) {
        parent = modal->parentWidget();
        qobject_cast<QDialog*>(modal)->reject();
        return true;
    });
    Child<QAction>(&window, "action_Backup")->trigger();

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.first().className, QStringLiteral("Backupdialog"));
    QCOMPARE(parent, &window);
    QCOMPARE(window.centralWidget(), page);
}

VORANTEL_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
