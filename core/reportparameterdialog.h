#pragma once

#include "voranteldialog.h"

#include "ui_reportparameterdialog.h"

// The program's one prompt for a single value or for a period. Callers set the
// caption and title through the form, run it modally and read the answer back.
class ReportParameterDialog : public VorantelDialog
{
    Q_OBJECT
public:
    ReportParameterDialog(QWidget* parent, bool dateRangeMode);
    ~ReportParameterDialog() override;

    // The accepted one-value answer; empty when none was given.
    QString GetValue() const;

    // Public: callers set the caption and starting text and read the dates.
    Ui::ReportParameterDialog* ui;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();

private:
    QString value;
};
