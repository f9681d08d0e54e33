#pragma once

#include "ui_inventoryimporter.h"
#include "voranteldialog.h"

#include <QFile>

class Progress;

// The inventory import dialog: template and sample files, the format help, the delimiter settings
// and the import of an inventory CSV file.
class InventoryImporter : public VorantelDialog
{
    Q_OBJECT
public:
    explicit InventoryImporter(QWidget* parent);
    ~InventoryImporter() override;

public slots:
    void on_pushImport_clicked();
    void on_pushGenerateTemplate_clicked();
    void on_pushGenerateSampleImport_clicked();
    void on_pushHelp_clicked();
    void on_pushSettings_clicked();
    void on_pushClose_clicked();
    void ImportStockData();

private:
    // Asks for the folder, shows the busy box and opens name in it for writing; false when nothing is
    // to be written.
    bool OpenOutputFile(const QString& name, QFile* file, Progress* busy);
    // Before an import: a file that is empty or is not text in the encoding it will be read in says so.
    bool CheckImportFile();

    Ui::InventoryImporter ui;
    QFile importFile;
    Progress* progress = nullptr;
    bool importPending = false;
};
