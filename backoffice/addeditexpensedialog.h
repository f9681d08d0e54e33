#pragma once

#include "voranteldialog.h"

#include <QDate>

#include "ui_addeditexpensedialog.h"

class QSqlRecord;
class QSqlTableModel;

// Records one expense: new, edited from the expenses page, or prefilled by a purchase order
// that was sent. Stays open after a save, so that several can be entered one after another.
class AddEditExpenseDialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit AddEditExpenseDialog(QWidget* parent);
    ~AddEditExpenseDialog() override;

    // Fields of the expenses page's row: ID, category name, DATED, AMOUNT, DESCRIPTION.
    void LoadExpense(const QSqlRecord& record);
    // Creates the category when it does not exist yet.
    void PrefillExpense(const QString& description, QString amount, const QString& categoryName, QDate date);

    bool ValidateInput();
    // kind 0 red (error), 1 green (success), any other the parent's style.
    void ShowStatus(const QString& text, int kind);

private slots:
    void on_pushAdd_clicked();
    void on_lineAmount_returnPressed();
    void on_pushEditCategories_clicked();
    void on_pushClose_clicked();

private:
    // Reads the category list; a failure is told on the status line.
    bool LoadCategories();

    Ui::AddEditExpenseDialog ui;
    QSqlTableModel* categories = nullptr;
    bool categoriesRead = false;
    bool editMode = false;
    QString expenseId;
    // The amount's text as shown when the expense was loaded or last written; it is rounded to the shop's
    // places, so writing it back unchanged would round the stored amount.
    QString loadedAmount;
    QString decimalPlaces;
    QString currencySymbol;
};
