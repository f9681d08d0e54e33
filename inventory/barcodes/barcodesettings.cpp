#include "barcodesettings.h"

#include "appsettings.h"
#include "barcodeprinter.h"
#include "errordialog.h"
#include "progress.h"
#include "sortingproxymodel.h"
#include "writtenpdf.h"

#include <zint.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QTableView>
#include <QTimer>

namespace {

struct Symbology
{
    const char* name;
    int number;
};

// Zint's own numbers, taken from its header so that they cannot drift.
const Symbology SYMBOLOGIES[] = {
    {"CODE128", BARCODE_CODE128}, {"CODE39", BARCODE_CODE39}, {"EXCODE39", BARCODE_EXCODE39},
    {"EANX", BARCODE_EANX}, {"EAN128", BARCODE_EAN128}, {"CODABAR", BARCODE_CODABAR}, {"UPCA", BARCODE_UPCA},
    {"UPCE", BARCODE_UPCE}, {"PHARMA", BARCODE_PHARMA}, {"QRCODE", BARCODE_QRCODE}, {"CODE128B", BARCODE_CODE128B},
    {"ISBNX", BARCODE_ISBNX}, {"EAN14", BARCODE_EAN14}, {"CODE11", BARCODE_CODE11}, {"C25MATRIX", BARCODE_C25MATRIX},
    {"C25INTER", BARCODE_C25INTER}, {"C25IATA", BARCODE_C25IATA}, {"C25LOGIC", BARCODE_C25LOGIC},
    {"C25IND", BARCODE_C25IND}, {"DPLEIT", BARCODE_DPLEIT}, {"DPIDENT", BARCODE_DPIDENT},
    {"CODE16K", BARCODE_CODE16K}, {"CODE49", BARCODE_CODE49}, {"CODE93", BARCODE_CODE93}, {"FLAT", BARCODE_FLAT},
    {"RSS14", BARCODE_RSS14}, {"RSS_LTD", BARCODE_RSS_LTD}, {"RSS_EXP", BARCODE_RSS_EXP},
    {"TELEPEN", BARCODE_TELEPEN}, {"POSTNET", BARCODE_POSTNET}, {"MSI_PLESSEY", BARCODE_MSI_PLESSEY},
    {"FIM", BARCODE_FIM}, {"LOGMARS", BARCODE_LOGMARS}, {"PZN", BARCODE_PZN}, {"PHARMA_TWO", BARCODE_PHARMA_TWO},
    {"PDF417", BARCODE_PDF417}, {"PDF417TRUNC", BARCODE_PDF417TRUNC}, {"MAXICODE", BARCODE_MAXICODE},
    {"AUSPOST", BARCODE_AUSPOST}, {"AUSREPLY", BARCODE_AUSREPLY}, {"AUSROUTE", BARCODE_AUSROUTE},
    {"AUSREDIRECT", BARCODE_AUSREDIRECT}, {"RM4SCC", BARCODE_RM4SCC}, {"DATAMATRIX", BARCODE_DATAMATRIX},
    {"CODABLOCKF", BARCODE_CODABLOCKF}, {"NVE18", BARCODE_NVE18}, {"JAPANPOST", BARCODE_JAPANPOST},
    {"KOREAPOST", BARCODE_KOREAPOST}, {"RSS14STACK", BARCODE_RSS14STACK},
    {"RSS14STACK_OMNI", BARCODE_RSS14STACK_OMNI}, {"RSS_EXPSTACK", BARCODE_RSS_EXPSTACK},
    {"PLANET", BARCODE_PLANET}, {"MICROPDF417", BARCODE_MICROPDF417}, {"ONECODE", BARCODE_ONECODE},
    {"PLESSEY", BARCODE_PLESSEY}, {"TELEPEN_NUM", BARCODE_TELEPEN_NUM}, {"ITF14", BARCODE_ITF14},
    {"KIX", BARCODE_KIX}, {"AZTEC", BARCODE_AZTEC}, {"DAFT", BARCODE_DAFT}, {"MICROQR", BARCODE_MICROQR},
    {"HIBC_128", BARCODE_HIBC_128}, {"HIBC_39", BARCODE_HIBC_39}, {"HIBC_DM", BARCODE_HIBC_DM},
    {"HIBC_QR", BARCODE_HIBC_QR}, {"HIBC_PDF", BARCODE_HIBC_PDF}, {"HIBC_MICPDF", BARCODE_HIBC_MICPDF},
    {"HIBC_BLOCKF", BARCODE_HIBC_BLOCKF}, {"HIBC_AZTEC", BARCODE_HIBC_AZTEC},
};

// Stock code, product name and sale price of the inventory list.
const int CODE_COLUMN = 3;
const int NAME_COLUMN = 6;
const int PRICE_COLUMN = 13;

int Number(const QLineEdit* edit)
{
    return edit->text().toInt(nullptr, 10);
}

} // namespace

BarcodeSettings::BarcodeSettings(QWidget* parent, QTableView* inventoryView)
    : VorantelDialog(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    ui.labelBarcodeImage->setText(QStringLiteral("      "));
    ui.groupPrinting->hide();
    ShowDesignMode();

    if (inventoryView && inventoryView->model()) {
        QAbstractItemModel* model = inventoryView->model();
        while (model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
        // Read in the order of the list's SQL result (a sorted list's own order would make the MySQL client
        // walk from its first row for every row), then lined up in the order shown.
        const int rows = model->rowCount();
        QVector<QString> codeLines(rows), nameLines(rows), priceLines(rows);
        ForEachShownRowInResultOrder(model, [&](int shownRow, const QModelIndex& source) {
            codeLines[shownRow] = source.siblingAtColumn(CODE_COLUMN).data().toString().simplified();
            nameLines[shownRow] = source.siblingAtColumn(NAME_COLUMN).data().toString().simplified();
            priceLines[shownRow] = source.siblingAtColumn(PRICE_COLUMN).data().toString().simplified();
        });
        QString codes, names, prices;
        for (int row = 0; row < rows; ++row) {
            codes += codeLines.at(row) + QLatin1Char('\n');
            names += nameLines.at(row) + QLatin1Char('\n');
            prices += priceLines.at(row) + QLatin1Char('\n');
        }
        ui.textEditCodeValues->setPlainText(codes);
        ui.textProductNames->setPlainText(names);
        ui.textPricesValues->setPlainText(prices);
    }

    ui.comboTypes->addItems(SymbologyNames());
    for (const Symbology& s : SYMBOLOGIES)
        symbologyNumbers[QLatin1String(s.name)] = s.number;
    QTimer::singleShot(500, this, &BarcodeSettings::UpdateBarCodeArea);
}

QStringList BarcodeSettings::SymbologyNames()
{
    QStringList names;
    for (const Symbology& s : SYMBOLOGIES)
        names << QLatin1String(s.name);
    return names;
}

QStringList BarcodeSettings::Lines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    return lines;
}

void BarcodeSettings::UpdateBarCodeArea()
{
    QPixmap white(ui.labelBarcodeImage->size());
    white.fill(Qt::white);
    ui.labelBarcodeImage->setPixmap(white);
}

void BarcodeSettings::ShowDesignMode()
{
    ui.groupPrinting->hide();
    ui.groupDesign->show();
    ui.pushOk->setText(tr("Copy Image"));
    ui.groupPrintLayout->hide();
    ui.groupQuantity->hide();
}

void BarcodeSettings::ShowPrintingMode()
{
    ui.groupPrinting->show();
    ui.groupDesign->hide();
    ui.pushOk->setText(tr("Generate"));
    ui.groupPrintLayout->show();
    ui.groupQuantity->show();
}

int BarcodeSettings::CurrentSymbology()
{
    return symbologyNumbers[ui.comboTypes->currentText()];
}

void BarcodeSettings::RedrawPreview()
{
    BarcodePrinter printer;
    printer.RenderPreview(ui.labelBarcodeImage, CurrentSymbology(), Number(ui.lineSpacing), Number(ui.lineWidth),
                          Number(ui.lineHeight), ui.lineCodeValue->text(), ui.lineProductName->text(),
                          ui.linePrice->text(), true, true, Number(ui.lineFontSize));
}

void BarcodeSettings::RedrawInDesignMode()
{
    if (ui.radioDesignMode->isChecked())
        RedrawPreview();
}

void BarcodeSettings::on_lineCodeValue_textChanged(const QString&) { RedrawPreview(); }
void BarcodeSettings::on_lineWidth_textChanged(const QString&) { RedrawInDesignMode(); }
void BarcodeSettings::on_lineSpacing_textChanged(const QString&) { RedrawInDesignMode(); }
void BarcodeSettings::on_lineFontSize_textChanged(const QString&) { RedrawInDesignMode(); }
void BarcodeSettings::on_lineHeight_textChanged(const QString&) { RedrawInDesignMode(); }
void BarcodeSettings::on_comboTypes_currentTextChanged(const QString&) { RedrawInDesignMode(); }
void BarcodeSettings::on_lineProductName_textChanged(const QString&) { RedrawInDesignMode(); }
void BarcodeSettings::on_linePrice_textChanged(const QString&) { RedrawInDesignMode(); }

void BarcodeSettings::on_radioDesignMode_toggled(bool checked)
{
    if (checked)
        ShowDesignMode();
}

void BarcodeSettings::on_radioPrintingMode_toggled(bool checked)
{
    if (checked)
        ShowPrintingMode();
}

void BarcodeSettings::on_pushCancel_clicked()
{
    close();
}

void BarcodeSettings::on_pushOk_clicked()
{
    if (ui.radioDesignMode->isChecked())
        CopyImage();
    else
        GenerateSheet();
}

void BarcodeSettings::CopyImage()
{
    // Within the first moments the preview may still be its blank text: there is nothing to copy yet.
    const QPixmap preview = ui.labelBarcodeImage->pixmap(Qt::ReturnByValue);
    if (preview.isNull())
        return;
    QWidget* mainWindow = AppSettings::Instance()->mainWindow;
    ErrorDialog notice(QStringLiteral("err_msg_38"), tr("Barcode Generator"),
                       tr("<p>Barcode image has been copied to clipboard. You can paste it into a Word, or Excel document or "
                          "any other program of your choice, such as Paint. This image can be scaled, cropped or modified, "
                          "and you can create your custom barcode sheet for printing.</p> <p>If you switch to Printing mode, "
                          "then you can print to PDF with the same configuration which you have used to design this "
                          "barcode image.</p>"),
                       mainWindow, false, true);
    notice.exec();

    const int width = Number(ui.lineWidth);
    const int height = Number(ui.lineHeight);
    const int left = (ui.labelBarcodeImage->width() - width) / 2;
    QApplication::clipboard()->setPixmap(preview.copy(left, 0, width, height + 20), QClipboard::Clipboard);
    QMessageBox::information(mainWindow, tr("BarCode Generator"),
                             tr("Barcode image has been copied, and you can paste to other documents or work sheets."),
                             QMessageBox::Ok);
}

void BarcodeSettings::GenerateSheet()
{
    QWidget* mainWindow = AppSettings::Instance()->mainWindow;
    ErrorDialog notice(
        QStringLiteral("err_msg_22"), tr("Barcode Generator"),
        tr("Barcode generator will generate the barcode labels for the values entered in the available box on this "
           "screen. A PDF file will be generated containing all the barcode labels. Please save this file for "
           "printing. Adobe PDF reader is required for this purpose. Please install PDF reader. It can take few seconds "
           "to load the file after barcode generation. You can save this file to a different location, or simply "
           "print. After printing the barcodes, you can use these for the inventory or stock items. Barcode scanner "
           "will read these barcodes  and feed directly to Point of Sale module. You can use a scissors or a cutter "
           "for cutting the sheet into individual barcode labels, which you can paste to your inventory or stock "
           "items."),
        mainWindow, false, false);
    notice.exec();

    const QString codeText = ui.textEditCodeValues->toPlainText();
    if (codeText.isEmpty()) {
        QMessageBox::information(this, tr("Barcode Label Generator"), tr("Please enter one or more code values in the box."),
                                 QMessageBox::Ok);
        return;
    }
    bool rowsOk = false, columnsOk = false;
    const int rows = ui.lineRowsPerPage->text().toInt(&rowsOk, 10);
    const int columns = ui.lineColumnsPerPage->text().toInt(&columnsOk, 10);
    if (!rowsOk || !columnsOk || rows < 1 || columns < 1) {
        QMessageBox::warning(this, tr("Barcode Label Generator"),
                             tr("Please enter whole numbers of 1 or more for rows per page and columns per page."),
                             QMessageBox::Ok);
        return;
    }

    const QStringList codes = Lines(codeText);
    QStringList names = Lines(ui.textProductNames->toPlainText());
    QStringList prices = Lines(ui.textPricesValues->toPlainText());
    while (names.size() < codes.size())
        names << QString();
    while (prices.size() < codes.size())
        prices << QString();

    BarcodePrinter printer;
    const bool written = printer.PrintLabels(CurrentSymbology(), Number(ui.lineSpacing), Number(ui.lineWidth),
                                             Number(ui.lineHeight), Number(ui.lineQuantity), rows, columns, codes,
                                             names, prices, ui.checkPrintProductName->isChecked(),
                                             ui.checkPrintProductPrice->isChecked(), Number(ui.lineFontSize));
    if (!written)
        return;

    Progress progress(mainWindow, QString());
    progress.show();
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    OpenWrittenPdf(BarcodePrinter::PdfPath(), mainWindow);
}
