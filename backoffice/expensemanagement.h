#pragma once

#include "readfailurenotice.h"

#include <QScrollArea>

#include <optional>

#include "ui_expensemanagement.h"

class MySqlTableModel;
class SortingProxyModel;

// The expenses screen: searched by description, category and day, added and edited through
// the expense dialog, deleted after a question, printed and exported.
class ExpenseManagement : public QScrollArea
{
    Q_OBJECT
public:
    // The second argument is not used.
    ExpenseManagement(QWidget* parent, QWidget* unused = nullptr);
    ~ExpenseManagement() override;

public slots:
    void OnRowDoubleClicked(const QModelIndex& index);
    void OnExpenseSeleted();

private slots:
    void on_buttonSearch_clicked();
    void on_lineEditCategory_returnPressed();
    void on_editDescription_returnPressed();
    void on_buttonShowAll_clicked();
    void on_buttonAddNew_clicked();
    void on_buttonEdit_clicked();
    void on_buttonDelete_clicked();
    void on_checkBoxExpenseDate_toggled(bool checked);
    void on_group_search_toggled(bool checked);
    void on_checkEnableSorting_toggled(bool checked);
    void on_pushExport_clicked();
    void on_pushPrint_clicked();
    void on_pushSaveAsPDF_clicked();

private:
    // Reloads with the filter in force, or with a new one when it is given; a failed query is reported instead of
    // showing an empty list.
    void Reload(const std::optional<QString>& filter = std::nullopt);

    Ui::ExpenseManagement ui;
    MySqlTableModel* model = nullptr;
    SortingProxyModel* proxy = nullptr;
    ReadFailureNotice reads;
};
