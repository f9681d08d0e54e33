#pragma once

#include "ui_barcodesettings.h"
#include "voranteldialog.h"

#include <map>

class QTableView;

// The "Barcode Generator" dialog: designs one label with a live preview (copied to the clipboard) or prints
// a list of codes as a PDF sheet of labels.
class BarcodeSettings : public VorantelDialog
{
    Q_OBJECT
public:
    // inventoryView, when given, fills the lists with the stock code, product name and sale price of its rows.
    BarcodeSettings(QWidget* parent, QTableView* inventoryView);

    void ShowDesignMode();
    void ShowPrintingMode();

    // The lines of a list box: every line is an entry, inner empty ones included; only the empty line after
    // a final line break is no entry.
    static QStringList Lines(const QString& text);
    // The 69 symbology names of the type list, in their order.
    static QStringList SymbologyNames();

public slots:
    void UpdateBarCodeArea();

private slots:
    void on_pushOk_clicked();
    void on_pushCancel_clicked();
    void on_radioDesignMode_toggled(bool checked);
    void on_radioPrintingMode_toggled(bool checked);
    void on_lineCodeValue_textChanged(const QString&);
    void on_lineWidth_textChanged(const QString&);
    void on_lineSpacing_textChanged(const QString&);
    void on_lineFontSize_textChanged(const QString&);
    void on_lineHeight_textChanged(const QString&);
    void on_comboTypes_currentTextChanged(const QString&);
    void on_lineProductName_textChanged(const QString&);
    void on_linePrice_textChanged(const QString&);

private:
    void RedrawPreview();
    void RedrawInDesignMode();
    int CurrentSymbology();
    void CopyImage();
    void GenerateSheet();

    Ui::BarcodeSettings ui;
    std::map<QString, int> symbologyNumbers;
};
