#include "reportparameterdialog.h"

#include "appsettings.h"

#include <QDate>

ReportParameterDialog::ReportParameterDialog(QWidget* parent, bool dateRangeMode)
    : VorantelDialog(parent)
    , ui(new Ui::ReportParameterDialog)
{
    ui->setupUi(this);

    QPushButton* okButton = nullptr;
    if (dateRangeMode) {
        ui->groupBox->hide();
        const QString format = AppSettings::Instance()->dateFormat;
        ui->dateEditEnd->setDisplayFormat(format);
        ui->dateEditStart->setDisplayFormat(format);
        ui->dateEditStart->setDate(QDate::currentDate());
        ui->dateEditEnd->setDate(QDate::currentDate());
        okButton = ui->pushButton_2;
    } else {
        ui->groupBox_Dates->hide();
        okButton = ui->pushButton;
    }

    // Both buttons come out of the form as default; only the visible one may answer Enter.
    ui->pushButton->setDefault(false);
    ui->pushButton_2->setDefault(false);
    okButton->setDefault(true);

    resize(350, 200);
    updateGeometry();
    ui->lineEditValue->setFocus();
}

ReportParameterDialog::~ReportParameterDialog()
{
    delete ui;
}

QString ReportParameterDialog::GetValue() const
{
    return value;
}

void ReportParameterDialog::on_pushButton_clicked()
{
    // Kept exactly as typed: each caller checks what it needs.
    const QString text = ui->lineEditValue->text();
    if (!text.isEmpty())
        value = text;
    close();
}

void ReportParameterDialog::on_pushButton_2_clicked()
{
    close();
}
