#pragma once

#include "readfailurenotice.h"
#include "voranteldialog.h"

#include "ui_managecategories.h"

class QSqlTableModel;
class SortingProxyModel;

// Lists, adds, renames and deletes product categories (type 0) or expense categories (any other type).
class ManageCategories : public VorantelDialog
{
    Q_OBJECT
public:
    ManageCategories(QWidget* parent, int categoryType);

public slots:
    void on_pushButtonClose_clicked();
    void on_pushButtonAdd_clicked();
    void on_lineEdit_returnPressed();
    void OnCategorySelected();
    void OnPushButtonDeleteClicked();
    void OnPushButtonUpdateClicked();
    void on_comboCategoriesType_currentIndexChanged(int index);
    void on_pushExport_clicked();
    void on_pushPrint_clicked();
    void on_pushSaveAsPDF_clicked();
    bool IsEmptyText();
    bool IsSameText();

private:
    // ID of the current row's category; empty when no row is current.
    QString CurrentId() const;
    void ReportFailure(const QString& error);
    void SelectCategories();
    // Refuses, naming the field, a name its column can not hold.
    bool TextStorable();

    Ui::ManageCategories ui;
    QSqlTableModel* model;
    SortingProxyModel* proxy;
    QString categoryTable;
    QString itemTable;
    QString caption;
    ReadFailureNotice reads;
};
