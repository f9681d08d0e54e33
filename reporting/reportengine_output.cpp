#include "reportengine.h"

#include "appsettings.h"
#include "errordialog.h"
#include "partialpdf.h"
#include "writtenpdf.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QToolBar>

namespace {

QString DataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace

QString ReportEngine::PreparePdfFile(QPrinter& printer, const QString& suffix, bool retryWithPermissions)
{
    // Also makes the data folder, which a fresh profile may not have yet.
    const QString path = DataFolder() + suffix;
    ClearOldPdf(path, retryWithPermissions);

    printer.setOutputFileName(path);
    QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    margins.setLeft(margins.left() + 20);
    printer.setPageMargins(margins, QPageLayout::Millimeter);
    return path;
}

void ReportEngine::PrintToNamedPrinter(const QString& noticeId, const QString& title, const QString& text,
                                       const QString& pdfFlagKey, const QString& printerKey, const QString& suffix)
{
    QPrinter printer(QPrinter::HighResolution);
    QSettings* settings = AppSettings::Instance()->settings;
    const bool toPdf = settings->value(pdfFlagKey, true).toBool();
    if (toPdf) {
        ErrorDialog notice(noticeId, title, text, parentWidget(), false, false);
        notice.exec();
        PreparePdfFile(printer, suffix, false);
    }
    const QString printerName = settings->value(printerKey, QString()).toString();
    printer.setPrinterName(printerName);

    // A printer that cannot start (one named in the settings but not installed) produced
    // nothing: opening the PDF then would show an earlier print as if it were this one.
    PrintFailure failure;
    const bool printed = RunPasses(&printer, &failure);
    if (!printed) {
        // Otherwise the receipt or report is simply missing, with nobody told.
        if (failure.kind == PrintFailure::PdfNotWritten) {
            PartialPdf::TellNotWritten(failure, parentWidget());
            return;
        }
        QMessageBox::warning(parentWidget(), tr("Printer"),
                             tr("The printer '%1' can not be started, so nothing was printed. Please check that it is "
                                "connected and switched on, or choose another printer in the Settings dialog.")
                                 .arg(printerName));
        return;
    }
    if (printer.outputFormat() == QPrinter::PdfFormat)
        OpenWrittenPdf(DataFolder() + suffix, parentWidget());
}

void ReportEngine::PrintToPrinter(bool reportPrinter)
{
    if (reportPrinter) {
        PrintToNamedPrinter(QStringLiteral("err_msg_2"), tr("Print to PDF"),
                            tr("Please change Report printer settings from Settings dialog. Currently it is configured "
                               "to print to PDF file."),
                            QStringLiteral("ReportPrintToPDF"), QStringLiteral("reportPrinter"),
                            QStringLiteral("/pdf_print.pdf"));
    } else {
        PrintToNamedPrinter(QStringLiteral("err_msg_1"), tr("Print to PDF"),
                            tr("Please change Point of Sale printer settings from Settings dialog. Currently it is "
                               "configured to print to PDF file."),
                            QStringLiteral("ReceiptPrintToPDF"), QStringLiteral("receiptPrinter"),
                            QStringLiteral("/pdf_print.pdf"));
    }
}

void ReportEngine::PrintToSecondaryPrinter()
{
    PrintToNamedPrinter(QStringLiteral("err_msg_47"), tr("Secondary Print to PDF"),
                        tr("Please change Secondary Point of Sale printer settings from Settings dialog. Currently it "
                           "is configured to print to PDF file."),
                        QStringLiteral("SecondaryPrintToPDF"), QStringLiteral("secondaryPrinter"),
                        QStringLiteral("/pdf_print_secondary.pdf"));
}

bool ReportEngine::PrintToPDFFile(QString fileName, bool openAfterPrinting, bool secondary)
{
    QPrinter printer(QPrinter::HighResolution);
    QString suffix;
    if (!fileName.isEmpty())
        suffix = QLatin1Char('/') + fileName;
    else
        suffix = secondary ? QStringLiteral("/pdf_print_secondary.pdf") : QStringLiteral("/pdf_print.pdf");
    const QString path = PreparePdfFile(printer, suffix, true);

    PrintFailure failure;
    const bool printed = RunPasses(&printer, &failure);
    if (!printed && failure.kind == PrintFailure::PdfNotWritten)
        PartialPdf::TellNotWritten(failure, parentWidget());
    if (printed && printer.outputFormat() == QPrinter::PdfFormat && openAfterPrinting)
        OpenWrittenPdf(path, parentWidget());
    return printed;
}

void ReportEngine::ShowPrintPreview(QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QString());

    previewDialog = new QPrintPreviewDialog(&printer, parent);
    const QList<QPrintPreviewWidget*> widgets = previewDialog->findChildren<QPrintPreviewWidget*>();
    if (!widgets.isEmpty())
        widgets.first()->setZoomMode(QPrintPreviewWidget::FitToWidth);

    connect(previewDialog, &QPrintPreviewDialog::paintRequested, this, &ReportEngine::printPreview);

    const QList<QToolBar*> toolBars = previewDialog->findChildren<QToolBar*>();
    if (!toolBars.isEmpty()) {
        auto* closeAction = new QAction(QIcon(QStringLiteral(":/resources/images/close.png")), tr("&Close..."),
                                        previewDialog);
        toolBars.first()->addAction(closeAction);
        toolBars.first()->update();
        connect(closeAction, &QAction::triggered, this, &ReportEngine::closePreview);
    }

    QRect geometry = QGuiApplication::primaryScreen()->availableGeometry();
    geometry.setLeft(5);
    geometry.setTop(30);
    geometry.setRight(geometry.right() - 6);
    geometry.setBottom(geometry.bottom() - 6);
    previewDialog->setGeometry(geometry);

    previewWidget = previewDialog->findChild<QPrintPreviewWidget*>();
    previewActions = previewDialog->findChildren<QAction*>();
    if (previewWidget)
        previewWidget->installEventFilter(this);

    previewDialog->setModal(false);
    currentPage = 1;
    previewDialog->exec();
    delete previewDialog;
    previewDialog = nullptr;
    previewWidget = nullptr;
    previewActions.clear();
}

void ReportEngine::closePreview()
{
    if (previewDialog)
        previewDialog->close();
}

bool ReportEngine::eventFilter(QObject* watched, QEvent* event)
{
    if (previewWidget && watched == previewWidget && event->type() == QEvent::Show) {
        for (QAction* action : qAsConst(previewActions)) {
            if (action->text().contains(QLatin1String("Previous page"), Qt::CaseInsensitive))
                action->trigger();
        }
        previewWidget->setCurrentPage(0);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
