#pragma once

#include <QObject>
#include <QPrinter>
#include <QStringList>

class QLabel;
class QPainter;

namespace Zint {
class QZint;
}

// Draws barcode labels: a grid of labels on A4 pages written to "barcode.pdf", or one label in a preview.
class BarcodePrinter : public QObject
{
    Q_OBJECT
public:
    BarcodePrinter();
    ~BarcodePrinter() override;

    void InitPdfPrinter();
    // False when no sheet was written (old file locked, no grid): the caller then opens nothing.
    bool PrintLabels(int symbology, int spacing, int labelWidth, int labelHeight, int quantityPerCode,
                     int rowsPerPage, int columnsPerPage, const QStringList& codes, const QStringList& names,
                     const QStringList& prices, bool printName, bool printPrice, int fontSize);
    void RenderPreview(QLabel* target, int symbology, int spacing, int labelWidth, int labelHeight,
                       const QString& code, const QString& name, const QString& price, bool printName,
                       bool printPrice, int fontSize);

    // Where the sheet is written: "barcode.pdf" in the writable data folder.
    static QString PdfPath();
    // How a name is cut to fit the sheet's label.
    static QString ShortenedName(const QString& name);

private:
    void SetSymbolOnce(int symbology, int spacing);
    // One label with its top-left corner at (x, top).
    void DrawLabel(QPainter& painter, int x, int top, int width, int height, const QString& code,
                   const QString& name, const QString& price, bool drawName, bool drawPrice);

    bool printerReady = false;
    QPrinter printer;
    Zint::QZint* symbol = nullptr;
    QString currencySymbol;
};
