#pragma once

#include "readfailurenotice.h"
#include "voranteldialog.h"

#include "ui_managevendors.h"

#include <QFile>

#include <optional>

class Progress;
class QSqlTableModel;
class SortingProxyModel;

// The vendor list (tblVendors): add, update, delete, filter, print, export and CSV import. The vendor
// "NONE" stands for no selection and is never changed or deleted here.
class ManageVendors : public VorantelDialog
{
    Q_OBJECT
public:
    explicit ManageVendors(QWidget* parent);
    ~ManageVendors() override;

    // What the last import did with its lines.
    struct ImportCounts
    {
        int added = 0;
        int updated = 0;
        int skipped = 0; // the default vendor's ID
        int invalid = 0; // not five fields
        int failed = 0;  // the statement failed
    };
    ImportCounts lastImport;

public slots:
    void on_pushButtonAdd_clicked();
    void OnPushButtonUpdateClicked();
    void OnPushButtonDeleteClicked();
    void OnVendorSelected();
    bool IsEmptyText();
    void on_lineEditFilter_textChanged(const QString& text);
    void on_pushFilter_clicked();
    void on_pushExport_clicked();
    void on_pushPrint_clicked();
    void on_pushSaveAsPDF_clicked();
    void on_pushImport_clicked();
    void ImportVendorData();
    void on_checkEnableSorting_toggled(bool checked);
    void on_pushButtonClose_clicked();

private:
    // The model row of the table's current index; -1 when there is none.
    int SelectedRow() const;
    // Refuses, naming the field, text its column can not hold.
    bool TextStorable();
    void SetRowFromFields(int row);
    void ClearFields();
    // Writes the pending change; on failure reports the driver's text and drops the change. A delete that
    // purchase orders of the deleted vendor hold back is reported in words instead.
    bool Submit(const QString& failureText, int deletedVendorId = -1);
    // With a new filter when one is given; a failed query is reported.
    void Reselect(const std::optional<QString>& filter = std::nullopt);
    void ApplyFilter();

    Ui::ManageVendors ui;
    QSqlTableModel* model = nullptr;
    SortingProxyModel* proxy = nullptr;
    QFile importFile;
    Progress* busy = nullptr;
    ReadFailureNotice reads;
};
