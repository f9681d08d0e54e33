#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "inventorydialogs.h"
#include "manageroles.h"
#include "managevendors.h"
#include "messagesettings.h"
#include "quickpayshorcuts.h"
#include "settingspagedialogs.h"

#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QScrollBar>
#include <QScroller>
#include <QSettings>
#include <QTextStream>

namespace {

const QString THEME_KEY = QStringLiteral("theme");
const QString DARK_STYLE_SHEET = QStringLiteral(":/resources/stylesheets/WindowsStyleSheet.txt");
const QString LIGHT_STYLE_SHEET = QStringLiteral(":/resources/stylesheets/WindowsStyleSheetLight.txt");

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    AppSettings* appSettings = AppSettings::Instance();
    // Before the form exists only the style sheet and the setting change.
    applyTheme(appSettings->settings->value(THEME_KEY, QStringLiteral("light")).toString());

    ui->setupUi(this);
    uiReady = true;

    MessageSettings::Instance()->Load();

    setWindowTitle(APPLICATION_TITLE);
    setWindowIcon(QIcon(QStringLiteral(":/resources/images/logos/dezedev_erud_300.png")));

    // Touch screens scroll the navigator by dragging; a press must reach the buttons at once.
    QScroller* scroller = QScroller::scroller(ui->scrollArea);
    QScrollerProperties properties = scroller->scrollerProperties();
    properties.setScrollMetric(QScrollerProperties::MousePressEventDelay, 0);
    QScrollerProperties::setDefaultScrollerProperties(properties);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);

    // Before any database is opened: every opening attempt reports to the status buttons.
    DatabaseManager::Instance()->mainWindow = this;
    // Before the first-start settings dialog: two of its pages open dialogs of libraries above it.
    SettingsPageDialogs::quickPayShortcuts = [](QWidget* parent) -> QDialog* { return new QuickpayShorcuts(parent); };
    SettingsPageDialogs::userRoles = [](QWidget* parent) -> QDialog* { return new ManageRoles(parent); };
    // The stock dialog's vendors button: purchasing is built on inventory.
    InventoryDialogs::vendors = [](QWidget* parent) -> QDialog* { return new ManageVendors(parent); };

    // No module name may be cut off, whatever the font: the navigator is never narrower than
    // its buttons (sized by the style sheet, hence the polish) plus a vertical scroll bar.
    ui->dockNavigator->ensurePolished();
    ui->scrollArea->setMinimumWidth(ui->scrollAreaWidgetContents->sizeHint().width() + 2 * ui->scrollArea->frameWidth()
                                    + ui->scrollArea->verticalScrollBar()->sizeHint().width());
    resizeDocks({ui->dockNavigator}, {240}, Qt::Horizontal);
    setCorner(Qt::TopLeftCorner, Qt::LeftDockWidgetArea);
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);

    initialize();
    settingsStartPage = 0;
}

MainWindow::~MainWindow()
{
    if (DatabaseManager::Instance()->mainWindow == this)
        DatabaseManager::Instance()->mainWindow = nullptr;
    // Messages and busy boxes take their parent from here.
    if (AppSettings::Instance()->mainWindow == this)
        AppSettings::Instance()->mainWindow = nullptr;
    delete ui;
    // posDialog is always created with this window as parent, so it goes with the window.
}

void MainWindow::updateInventoryDbStatus(bool open)
{
    if (open) {
        ui->pushInvDBStatus->setText(QStringLiteral("Inventory Database\n\nSTATUS : ON"));
        ui->pushInvDBStatus->setStyleSheet(QStringLiteral("QPushButton#pushInvDBStatus { background-color:green }"));
    } else {
        ui->pushInvDBStatus->setText(QStringLiteral("Inventory Database\n\nSTATUS : OFF"));
        ui->pushInvDBStatus->setStyleSheet(QStringLiteral("QPushButton#pushInvDBStatus { background-color:red }"));
    }
}

void MainWindow::updateSalesDbStatus(bool open)
{
    if (open) {
        ui->pushSalesDBStatus->setText(QStringLiteral("Sales Database\n\nSTATUS : ON"));
        ui->pushSalesDBStatus->setStyleSheet(QStringLiteral("QPushButton#pushSalesDBStatus { background-color:green }"));
    } else {
        ui->pushSalesDBStatus->setText(QStringLiteral("Sales Database\n\nSTATUS : OFF"));
        ui->pushSalesDBStatus->setStyleSheet(QStringLiteral("QPushButton#pushSalesDBStatus { background-color:red }"));
    }
}

void MainWindow::applyTheme(const QString& name)
{
    if (name == QLatin1String("dark"))
        on_action_Dark_Theme_triggered();
    else if (name == QLatin1String("light"))
        on_action_Light_Theme_triggered();
    else
        on_action_No_Theme_triggered();
}

void MainWindow::on_action_Dark_Theme_triggered()
{
    setTheme(Theme::Dark);
}

void MainWindow::on_action_Light_Theme_triggered()
{
    setTheme(Theme::Light);
}

void MainWindow::on_action_No_Theme_triggered()
{
    setTheme(Theme::None);
}

void MainWindow::setTheme(Theme theme)
{
    if (uiReady) {
        ui->action_Dark_Theme->setEnabled(theme != Theme::Dark);
        ui->action_Light_Theme->setEnabled(theme != Theme::Light);
        ui->action_No_Theme->setEnabled(theme != Theme::None);
    }

    QString name;
    switch (theme) {
    case Theme::Dark:
        name = QStringLiteral("dark");
        break;
    case Theme::Light:
        name = QStringLiteral("light");
        break;
    case Theme::None:
        name = QStringLiteral("no_theme");
        break;
    }

    if (theme == Theme::None) {
        // Dropping the sheet at once shows the user what the choice means, rather than at the next start.
        setStyleSheet(QString());
    } else {
        QFile file(theme == Theme::Dark ? DARK_STYLE_SHEET : LIGHT_STYLE_SHEET);
        // An unreadable sheet keeps the current look; the choice is still remembered.
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            setStyleSheet(QTextStream(&file).readAll());
    }

    AppSettings* appSettings = AppSettings::Instance();
    appSettings->settings->setValue(THEME_KEY, name);
    appSettings->theme = name;
}

void MainWindow::on_action_Hide_Navigator_triggered()
{
    ui->dockNavigator->hide();
    ui->action_Hide_Navigator->setEnabled(false);
    ui->action_Show_Navigator->setEnabled(true);
}

void MainWindow::on_action_Show_Navigator_triggered()
{
    ui->dockNavigator->show();
    ui->action_Hide_Navigator->setEnabled(true);
    ui->action_Show_Navigator->setEnabled(false);
}

void MainWindow::on_dockNavigator_visibilityChanged(bool visible)
{
    // Also follows the dock's own close button.
    ui->action_Hide_Navigator->setEnabled(visible);
    ui->action_Show_Navigator->setEnabled(!visible);
}

void MainWindow::on_actionExit_triggered()
{
    close();
}

void MainWindow::resizeEvent(QResizeEvent*)
{
    // Keeps an open dialog over the middle of the window, whatever the window's new size.
    for (QObject* child : children()) {
        auto* dialog = qobject_cast<QDialog*>(child);
        if (!dialog)
            continue;
        dialog->move(x() + width() / 2 - dialog->width() / 2, y() + height() / 2 - dialog->height() / 2);
        break;
    }
}

bool MainWindow::hasModulePermission(int module)
{
    if (AppSettings::Instance()->HasPermission(module))
        return true;
    QMessageBox::information(this, QStringLiteral("Module Permission"),
                             QStringLiteral("You are not allowed to access this function. Please contact ADMINISTRATOR "
                                            "user of Vorantel and request desired permissions."),
                             QMessageBox::Ok);
    return false;
}

void MainWindow::ProcessEventPasses(int passes)
{
    for (int i = 0; i < passes; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
