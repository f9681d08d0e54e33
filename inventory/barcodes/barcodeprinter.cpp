#include "barcodeprinter.h"

#include "appsettings.h"
#include "inventorylog.h"
#include "partialpdf.h"
#include "writtenpdf.h"
#include "progress.h"
#include "qzint.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QSettings>
#include <QStandardPaths>

namespace {
const int TEXT_LINE_HEIGHT = 20;
const int TEXT_LINE_STEP = 25;
const int FIRST_ROW_TOP = 10;
const int ROW_GAP = 30;
const int COLUMN_GAP = 10;
} // namespace

BarcodePrinter::BarcodePrinter()
    : printer(QPrinter::ScreenResolution)
    , symbol(new Zint::QZint)
    , currencySymbol(AppSettings::Instance()->settings->value(QStringLiteral("CURRENCY_SYMBOL"), QStringLiteral("$")).toString())
{
}

BarcodePrinter::~BarcodePrinter()
{
    delete symbol;
}

QString BarcodePrinter::PdfPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/barcode.pdf");
}

QString BarcodePrinter::ShortenedName(const QString& name)
{
    return name.size() > 15 ? name.left(13) + QStringLiteral("..") : name;
}

void BarcodePrinter::InitPdfPrinter()
{
    const QString path = PdfPath();
    // Painting on would leave the old sheet in place, and opening it would pass it off as the new one.
    if (!ClearOldPdf(path))
        return;
    printer.setOutputFileName(path);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(110);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(5, 0, 5, 0), QPageLayout::Millimeter);
    printer.setFullPage(true);
    printer.setPageOrientation(QPageLayout::Portrait);
    qCDebug(lcInventory) << "Printer initialized to generate pdf";
    printerReady = true;
}

void BarcodePrinter::SetSymbolOnce(int symbology, int spacing)
{
    symbol->setSymbol(symbology);
    symbol->setSecurityLevel(0);
    symbol->setBgColor(QColor(0, 0, 0, 0));
    symbol->setWhitespace(spacing);
}

void BarcodePrinter::DrawLabel(QPainter& painter, int x, int top, int width, int height, const QString& code,
                               const QString& name, const QString& price, bool drawName, bool drawPrice)
{
    int offset = 0;
    if (drawName) {
        painter.drawText(QRect(x, top, width, TEXT_LINE_HEIGHT), Qt::AlignCenter, name);
        offset = TEXT_LINE_STEP;
    }
    if (drawPrice) {
        painter.drawText(QRect(x, top + offset, width, TEXT_LINE_HEIGHT), Qt::AlignCenter, currencySymbol + price);
        offset += TEXT_LINE_STEP;
    }
    symbol->setWidth(width);
    symbol->setText(code);
    symbol->render(painter, QRectF(x, top + offset, width, height - offset), Zint::QZint::IgnoreAspectRatio);
}

bool BarcodePrinter::PrintLabels(int symbology, int spacing, int labelWidth, int labelHeight, int quantityPerCode,
                                 int rowsPerPage, int columnsPerPage, const QStringList& codes,
                                 const QStringList& names, const QStringList& prices, bool printName,
                                 bool printPrice, int fontSize)
{
    InitPdfPrinter();
    if (!printerReady) {
        qCDebug(lcInventory) << "Printer not configured, abort.";
        return false;
    }
    // The grid divides by both; the dialog refuses such values, this keeps any other caller safe.
    if (rowsPerPage < 1 || columnsPerPage < 1)
        return false;

    // Painted under a partial name: a sheet cut short (a full disk) is never opened as written.
    PartialPdf pdf(&printer);
    QPainter painter;
    if (!painter.begin(&printer)) {
        qCWarning(lcInventory) << "cannot write" << printer.outputFileName();
        pdf.BeginFailed();
        PartialPdf::TellNotWritten(pdf.Failure(), AppSettings::Instance()->mainWindow);
        return false;
    }
    Progress progress(AppSettings::Instance()->mainWindow, QString());
    progress.show();
    const auto finish = [&] {
        if (painter.end() && pdf.Complete())
            return true;
        progress.hide();
        PartialPdf::TellNotWritten(pdf.Failure(), AppSettings::Instance()->mainWindow);
        return false;
    };
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    if (!symbol) {
        painter.drawText(QRect(0, 0, 200, 100), Qt::AlignCenter, tr("Error occurred."));
        return finish();
    }

    QStringList labelCodes, labelNames, labelPrices;
    for (int i = 0; i < codes.size(); ++i) {
        for (int copy = 0; copy < quantityPerCode; ++copy) {
            labelCodes << codes.at(i);
            labelNames << names.value(i);
            labelPrices << prices.value(i);
        }
    }

    const int labels = labelCodes.size();
    const int labelRows = labels / columnsPerPage + (labels % columnsPerPage ? 1 : 0);
    const int pages = labelRows / rowsPerPage + (labelRows % rowsPerPage ? 1 : 0);

    SetSymbolOnce(symbology, spacing);
    int next = 0;
    for (int page = 0; page < pages && next < labels; ++page) {
        painter.setFont(QFont(QStringLiteral("PT Sans"), fontSize, -1, false));
        for (int row = 0; row < rowsPerPage && next < labels; ++row) {
            // Row 1 starts at H + 30, not 10 + H + 30: existing label stock is cut to this grid.
            const int top = row == 0 ? FIRST_ROW_TOP : (labelHeight + ROW_GAP) * row;
            int x = 0;
            for (int column = 0; column < columnsPerPage && next < labels; ++column) {
                qCDebug(lcInventory) << x << " : " << top << " : " << labelWidth << " : " << labelHeight;
                DrawLabel(painter, x, top, labelWidth, labelHeight, labelCodes.at(next),
                          ShortenedName(labelNames.at(next)), labelPrices.at(next), printName, printPrice);
                ++next;
                x += labelWidth + COLUMN_GAP;
            }
        }
        if (next < labels)
            printer.newPage();
    }
    return finish();
}

void BarcodePrinter::RenderPreview(QLabel* target, int symbology, int spacing, int labelWidth, int labelHeight,
                                   const QString& code, const QString& name, const QString& price, bool printName,
                                   bool printPrice, int fontSize)
{
    QPixmap pixmap(target->size());
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    SetSymbolOnce(symbology, spacing);
    painter.setFont(QFont(QStringLiteral("PT Sans"), fontSize, -1, false));
    const int x = (target->width() - labelWidth) / 2;
    DrawLabel(painter, x, FIRST_ROW_TOP, labelWidth, labelHeight, code, name, price, printName && !name.isEmpty(),
              printPrice && !price.isEmpty());
    painter.end();
    target->setPixmap(pixmap);
}
