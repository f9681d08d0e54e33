#pragma once

#include "voranteldialog.h"

namespace Ui {
class CreateSalesDatabaseDialog;
}

// Asks the name of a new sales database and the first receipt or invoice number.
// The creator reads okPressed and the two getters after exec().
class CreateSalesDatabaseDialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit CreateSalesDatabaseDialog(QWidget* parent);
    ~CreateSalesDatabaseDialog() override;

    QString GetDatabaseName() const;
    QString GetInvoiceSerial() const;

    bool okPressed = false;

private slots:
    void on_pushOk_clicked();
    void on_pushCancel_clicked();

private:
    Ui::CreateSalesDatabaseDialog* ui;
};
