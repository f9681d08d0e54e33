#pragma once

#include <QScrollArea>

class MainWindow;

namespace Ui {
class HomeScreen;
}

// The dashboard shown after a login and by the Home action: who works with which settings,
// stock and sales figures, and buttons for the common screens. It only reads and formats;
// every action goes to the main window's launchers.
class HomeScreen : public QScrollArea
{
    Q_OBJECT
public:
    HomeScreen(MainWindow* mainWindow, QWidget* parent);
    ~HomeScreen() override;

    // Reads every figure again.
    void RefreshOverview();

public slots:
    // Gives each caption and value column the width of its widest member across the three boxes.
    void UpdateLayout();

private slots:
    void on_pushAddCategories_clicked();
    void on_pushAddProducts_clicked();
    void on_pushAddInventory_clicked();
    void on_pushPurchaseOrder_clicked();
    void on_pushVendors_clicked();
    void on_pushDatabases_clicked();
    void on_pushUsers_clicked();
    void on_pushBackup_clicked();
    void on_pushSettings_clicked();
    void on_pushCustomers_clicked();

private:
    // Not declared slots, so that connectSlotsByName does not look for objects of these names.
    void on_Overview_HyperLink_clicked(QString link);
    void on_Inventory_Overview_HyperLink_clicked(QString link);
    void on_HyperLink_clicked(QString link);

    // The quick reports are guarded by the reports module; shows the refusal itself.
    bool ReportsPermitted();
    // Runs a main-window launcher, then reads the figures again unless the launcher replaced this page.
    void ForwardAndRefresh(void (MainWindow::*launcher)());
    void OpenSettingsAt(int row);
    QString MoneyText(double amount, const QString& precision) const;
    QString CountText(const QString& sql) const;
    QString TotalText(bool salesDatabase, const QString& sql, const QDate& from, const QDate& to,
                      const QString& precision) const;

    Ui::HomeScreen* ui;
    MainWindow* mainWindow;
    QString finalAmountPrecision;
    QString decimalPlaces;
    QString currencySymbol;
};
