#include "appsettings.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "settingsdialog.h"
#include "testsupport.h"
#include "databasemanager.h"

#include <QAbstractButton>
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QHash>
#include <QPointer>
#include <algorithm>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>

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

QAction* Action(MainWindow& window, const char* name)
{
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    if (!action)
        qFatal("no action %s", name);
    return action;
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
    void themeAtStart_data();
    void themeAtStart();
    void themeActions_data();
    void themeActions();
    void navigatorHidesAndShows();
    void childDialogStaysCentredOnResize_data();
    void childDialogStaysCentredOnResize();
    void settingsOpensAtStartPageThenReappliesThemeAndRebuildsPage();
    void onlyExistingScreensAreReachable();
    void dialogLaunchers_data();
    void dialogLaunchers();
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

void TestMainWindow::themeAtStart_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expectedTheme");
    QTest::addColumn<QString>("expectedSheet");
    QTest::newRow("no setting: light") << QVariant() << "light" << LIGHT_SHEET;
    QTest::newRow("dark") << QVariant(QStringLiteral("dark")) << "dark" << DARK_SHEET;
    QTest::newRow("unknown name: no theme") << QVariant(QStringLiteral("Dark")) << "no_theme" << QString();
}

void TestMainWindow::themeAtStart()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expectedTheme);
    QFETCH(QString, expectedSheet);
    if (stored.isValid())
        AppSettings::Instance()->settings->setValue(QStringLiteral("theme"), stored);

    StartedWindow started;
    MainWindow& window = started.window;
    QCOMPARE(StoredTheme(), expectedTheme);
    QCOMPARE(AppSettings::Instance()->Theme(), expectedTheme);
    QCOMPARE(window.styleSheet(), expectedSheet.isEmpty() ? QString() : ReadResource(expectedSheet));
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
    Action(window, qPrintable(before))->trigger();
    Action(window, qPrintable(chosen))->trigger();

    for (const char* name : {"action_Dark_Theme", "action_Light_Theme", "action_No_Theme"})
        QVERIFY2(Action(window, name)->isEnabled() == (chosen != QLatin1String(name)), name);
    QCOMPARE(StoredTheme(), expectedTheme);
    QCOMPARE(AppSettings::Instance()->Theme(), expectedTheme);
    QVERIFY(expectedSheet.isEmpty() || !ReadResource(expectedSheet).isEmpty());
    QCOMPARE(window.styleSheet(), expectedSheet.isEmpty() ? QString() : ReadResource(expectedSheet));
}

void TestMainWindow::navigatorHidesAndShows()
{
    StartedWindow started;
    MainWindow& window = started.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* dock = window.findChild<QDockWidget*>(QStringLiteral("dockNavigator"));
    QVERIFY(dock);
    QAction* hide = Action(window, "action_Hide_Navigator");
    QAction* show = Action(window, "action_Show_Navigator");
    auto shown = [&](bool visible) {
        return dock->isVisible() == visible && hide->isEnabled() == visible && show->isEnabled() != visible;
    };
    QVERIFY(shown(true));
    hide->trigger();
    QVERIFY(shown(false));
    show->trigger();
    QVERIFY(shown(true));
    // The dock's own close button must leave the View menu able to bring it back.
    auto* closeButton = dock->findChild<QAbstractButton*>(QStringLiteral("qt_dockwidget_closebutton"));
    QVERIFY(closeButton);
    closeButton->click();
    QTRY_VERIFY(shown(false));
    show->trigger();
    QVERIFY(shown(true));
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

void TestMainWindow::settingsOpensAtStartPageThenReappliesThemeAndRebuildsPage()
{
    StartedWindow started;
    MainWindow& window = started.window;
    Action(window, "actionHome")->trigger();
    QCOMPARE(window.currentScreenOpener, &MainWindow::on_actionHome_triggered);
    QPointer<QWidget> homePage = window.centralWidget();
    QVERIFY(homePage);
    QCOMPARE(StoredTheme(), QStringLiteral("light"));

    window.settingsStartPage = 3;
    int shownRow = -1;
    int shownPage = -1;
    ModalAnswerer answerer;
    answerer.handle([&](QWidget* modal) {
        auto* dialog = qobject_cast<SettingsDialog*>(modal);
        if (!dialog)
            return false;
        shownRow = dialog->contentWidget()->currentRow();
        shownPage = dialog->pagesWidget()->currentIndex();
        // What the general page writes when the user picks the dark theme.
        AppSettings::Instance()->settings->setValue(QStringLiteral("theme"), QStringLiteral("dark"));
        dialog->findChild<QPushButton*>(QStringLiteral("pushClose"))->click();
        return true;
    });
    Action(window, "actionSettings")->trigger();

    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(shownRow, 3);
    QCOMPARE(shownPage, 3);
    QCOMPARE(window.settingsStartPage, 3);

    QCOMPARE(window.styleSheet(), ReadResource(DARK_SHEET));
    QVERIFY(!Action(window, "action_Dark_Theme")->isEnabled());
    QVERIFY(Action(window, "action_Light_Theme")->isEnabled());

    // The page that was showing is built afresh.
    QVERIFY(window.centralWidget() != homePage.data());
    QTRY_VERIFY(homePage.isNull());
    QCOMPARE(window.currentScreenOpener, &MainWindow::on_actionHome_triggered);
}

void TestMainWindow::onlyExistingScreensAreReachable()
{
    // Just started without login: Logout is offered, Login is not; screens not built yet are unreachable.
    const QStringList enabled = QStringLiteral(
        "actionExit actionSettings actionHome action_Hide_Navigator actionLogout actionAbout_Vorantel_Pro "
        "actionDatabase_Server action_Backup actionUser_Manual actionTutorials action_Support actionManage_Users "
        "actionManage_Roles actionDatabases").split(QLatin1Char(' '));
    StartedWindow started;
    for (QAction* action : started.window.findChildren<QAction*>()) {
        const QString name = action->objectName();
        if (name.startsWith(QLatin1String("action")) && !name.endsWith(QLatin1String("_Theme")))
            QVERIFY2(action->isEnabled() == enabled.contains(name), qPrintable(name));
    }
    for (const char* name : {"pushPointOfSale", "pushProductManagement", "pushInventoryManagement",
                             "pushPurchaseManagement", "pushSalesManagement", "pushExpenseManagement",
                             "pushReportManagement"}) {
        auto* button = started.window.findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(button && !button->isEnabled(), name);
    }
}

void TestMainWindow::dialogLaunchers_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("role");
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<QString>("expected"); // class of the dialog, or the refusal's title
    QTest::newRow("server settings") << "actionDatabase_Server" << "SALES PERSON" << QList<int>{} << "ServerSettingsDialog";
    QTest::newRow("about") << "actionAbout_Vorantel_Pro" << "SALES PERSON" << QList<int>{} << "AboutDialog";
    QTest::newRow("backup with its module") << "action_Backup" << "MANAGER" << QList<int>{0, 15} << "Backupdialog";
    QTest::newRow("backup refused") << "action_Backup" << "SALES PERSON" << QList<int>{0} << "Module Permission";
    QTest::newRow("settings refused") << "actionSettings" << "SALES PERSON" << QList<int>{0} << "Module Permission";
}

void TestMainWindow::dialogLaunchers()
{
    QFETCH(QString, action);
    QFETCH(QString, role);
    QFETCH(QList<int>, modules);
    QFETCH(QString, expected);
    StartedWindow started;
    MainWindow& window = started.window;
    AppSettings::Instance()->roleName = role;
    AppSettings::Instance()->SetPermittedModules(modules);
    QWidget* page = window.centralWidget();

    QWidget* parent = nullptr;
    ModalAnswerer answerer;
    answerer.handle([&](QWidget* modal) {
        parent = modal->parentWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            box->button(QMessageBox::Ok)->click();
        else
            qobject_cast<QDialog*>(modal)->reject();
        return true;
    });
    Action(window, qPrintable(action))->trigger();

    QCOMPARE(answerer.seen.size(), 1);
    const ModalAnswerer::Seen seen = answerer.seen.first();
    if (expected == QLatin1String("Module Permission")) {
        QCOMPARE(answerer.messages(),
                 QStringList{QStringLiteral("Module Permission|You are not allowed to access this function. Please "
                                            "contact ADMINISTRATOR user of Vorantel and request desired permissions.")});
    } else {
        QCOMPARE(seen.className, expected);
    }
    QCOMPARE(parent, &window);
    // None of them rebuilds the page.
    QCOMPARE(window.centralWidget(), page);
}

VORANTEL_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
