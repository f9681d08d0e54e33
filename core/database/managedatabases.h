#pragma once

#include "voranteldialog.h"

namespace Ui {
class ManageDatabases;
}

// Shows the active inventory and sales databases, makes another database on the server
// active, creates new ones and reaches the server settings. In change mode only the
// inventory side can be chosen (before anybody is logged in).
class ManageDatabases : public VorantelDialog
{
    Q_OBJECT
public:
    ManageDatabases(QWidget* parent, bool changeMode);
    ~ManageDatabases() override;

    // Another inventory database became active: the caller starts a fresh login.
    bool databaseChanged = false;

public slots:
    void ShowMessage();

private slots:
    void on_pushButtonClose_clicked();
    void on_comboInventoryDatabases_currentIndexChanged(int index);
    void on_comboSalesDatabases_currentIndexChanged(int index);
    void on_pushSelectDatabase_clicked();
    void on_pushSelectSalesDB_clicked();
    void on_pushButtonNewInventoryDB_clicked();
    void on_pushButtonOpenNewRegister_clicked();
    void on_pushMySqlServer_clicked();

private:
    void FillDatabaseLists();
    bool ServerReachable();

    Ui::ManageDatabases* ui;
    bool listsLoaded = false;
};
