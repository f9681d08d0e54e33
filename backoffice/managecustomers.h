#pragma once

#include "readfailurenotice.h"
#include "voranteldialog.h"

#include <QFile>
#include <QModelIndex>

#include <optional>

#include "ui_managecustomers.h"

class Progress;
class QSqlTableModel;
class SortingProxyModel;

// The customers list with its edit form, filter, print, export and CSV import; in select
// mode the sale screen's customer picker.
class ManageCustomers : public VorantelDialog
{
    Q_OBJECT
public:
    ManageCustomers(QWidget* parent, bool selectMode);
    ~ManageCustomers() override;

    // Writes the chosen customer only when one was selected; otherwise leaves the strings alone.
    void getSelectedCustomer(QString& id, QString& name, QString& address, QString& email, QString& contact);

    bool IsEmptyText() const;

public slots:
    void OnPushButtonUpdateClicked();
    void OnPushButtonDeleteClicked();
    void OnCustomerSelected();
    void OnRowDoubleClicked(const QModelIndex& index);
    void ImportCustomerData();

private slots:
    void on_pushButtonAdd_clicked();
    void on_lineEdit_returnPressed();
    void on_lineEditEmail_returnPressed();
    void on_lineEditContact_returnPressed();
    void on_pushSelect_clicked();
    void on_lineEditFilter_textChanged(const QString& text);
    void on_pushFilter_clicked();
    void on_checkEnableSorting_toggled(bool checked);
    void on_pushExport_clicked();
    void on_pushPrint_clicked();
    void on_pushSaveAsPDF_clicked();
    void on_pushImport_clicked();
    void on_pushButtonClose_clicked();

private:
    QModelIndex CurrentSourceIndex() const;
    // Refuses, naming the field, text its column can not hold.
    bool TextStorable();
    // What the form would say about an import line's fields (ID, name, address, email, contact); empty when
    // they can be stored.
    QString ImportRefusal(const QStringList& fields) const;
    void WriteFormToRow(int row);
    void ClearForm();
    // Writes the model's pending change when the edit itself went through; on failure reports
    // why and drops the change.
    bool Submit(bool changed, const QString& failureText);
    // Reloads the list, with a new filter when one is given; a failed query is reported instead of showing an
    // empty list.
    bool Reload(const std::optional<QString>& filter = std::nullopt);
    void ApplyFilter();

    Ui::ManageCustomers ui;
    QSqlTableModel* model = nullptr;
    SortingProxyModel* proxy = nullptr;
    bool selectMode;
    bool customerSelected = false;
    QString selectedCustomerId;
    QFile importFile;
    Progress* importProgress = nullptr;
    ReadFailureNotice reads;
};
