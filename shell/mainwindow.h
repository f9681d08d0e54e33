#pragma once

#include "databasestatuslistener.h"

#include <QMainWindow>

class QPOSDialog;

namespace Ui {
class MainWindow;
}

// The one top-level window: menus, tool bars, the navigator dock and one screen at a time
// in the central area.
class MainWindow : public QMainWindow, public DatabaseStatusListener
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The launcher that built the page now in the central area; run again to rebuild
    // that page after a dialog closed.
    void (MainWindow::*currentScreenOpener)() = nullptr;

    void updateInventoryDbStatus(bool open) override;
    void updateSalesDbStatus(bool open) override;

public slots:
    void on_action_Dark_Theme_triggered();
    void on_action_Light_Theme_triggered();
    void on_action_No_Theme_triggered();
    void on_action_Hide_Navigator_triggered();
    void on_action_Show_Navigator_triggered();
    void on_dockNavigator_visibilityChanged(bool visible);
    void on_actionExit_triggered();
    void on_actionHome_triggered();
    void on_actionSettings_triggered();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Theme { Dark, Light, None };

    void initialize();
    QWidget* createPlaceholderWidget();
    // "dark" and "light" pick their sheets; any other name means no theme.
    void applyTheme(const QString& name);
    void setTheme(Theme theme);
    // Shows the refusal itself when the current role may not use the module.
    bool hasModulePermission(int module);

    Ui::MainWindow* ui;
    bool uiReady = false;

public:
    // Row of the settings dialog's page list to open at; the home dashboard's links set it.
    int settingsStartPage = 0;
    // Host of the running point-of-sale screen; that screen deletes it and clears this.
    QPOSDialog* posDialog = nullptr;
    // A stored sale to load into the next point-of-sale screen (set by the sales records page).
    bool openSaleRequested = false;
    QString openSaleId = QStringLiteral("-1");
    bool openSaleAsInvoice = false;
};
