#include "createsalesdatabasedialog.h"
#include "ui_createsalesdatabasedialog.h"

#include <QMessageBox>
#include <QRegExp>
#include <QScroller>

CreateSalesDatabaseDialog::CreateSalesDatabaseDialog(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::CreateSalesDatabaseDialog)
{
    ui->setupUi(this);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    okPressed = false;
}

CreateSalesDatabaseDialog::~CreateSalesDatabaseDialog()
{
    delete ui;
}

QString CreateSalesDatabaseDialog::GetDatabaseName() const
{
    return ui->lineSalesDBName->text();
}

QString CreateSalesDatabaseDialog::GetInvoiceSerial() const
{
    return ui->lineInvoiceSerial->text();
}

void CreateSalesDatabaseDialog::on_pushOk_clicked()
{
    if (ui->lineSalesDBName->text().trimmed().isEmpty()) {
        QMessageBox::information(this, tr("Database Name"),
                                 tr("Database name is empty. Please enter name for sales database."));
        return;
    }
    // The name itself is judged by the server when the database is created.
    const QString serial = ui->lineInvoiceSerial->text();
    if (!QRegExp(QStringLiteral("^[0-9]{1,10}$")).exactMatch(serial)) {
        QMessageBox::information(this, tr("Serial"),
                                 tr("Please enter valid numeric value greater than zero for the serial number."));
        return;
    }
    if (serial.toULongLong() == 0) {
        QMessageBox::information(this, tr("Serial"),
                                 tr("Please enter numeric value greater than zero for the serial number."));
        ui->lineInvoiceSerial->setText(QStringLiteral("1"));
        return;
    }
    okPressed = true;
    close();
}

void CreateSalesDatabaseDialog::on_pushCancel_clicked()
{
    okPressed = false;
    close();
}
