#pragma once

#include "voranteldialog.h"
#include "ui_quickpayshorcuts.h"

class QLineEdit;
class QLocale;

// Edits the nine quick-pay amounts of the sale screen's Ctrl+1 ... Ctrl+9.
class QuickpayShorcuts : public VorantelDialog
{
    Q_OBJECT
public:
    explicit QuickpayShorcuts(QWidget* parent);

private slots:
    void on_pushSave_clicked();
    void on_pushClose_clicked();

private:
    bool IsAmountValid(QLineEdit* field) const;
    QList<QLineEdit*> fields() const;

    Ui::QuickpayShorcuts ui;
    int decimalPlaces = 2;
    QLocale* displayLocale = nullptr;
};
