#include "reportengine.h"

#include "partialpdf.h"

#include <QDomDocument>
#include <QFile>
#include <QFont>
#include <QLocale>
#include <QPrinter>
#include <QResource>

namespace {

const char* const bandKeywords[] = {
    "ReportTitle", "PageHeader", "MasterHeader", "MasterData", "MasterFooter", "ReportSummary", "PageFooter",
};

int IntAttribute(const QDomNode& node, const QString& name)
{
    return node.toElement().attribute(name).toInt(nullptr, 10);
}

int BandHeight(const QDomNode& band)
{
    return IntAttribute(band, QStringLiteral("height"));
}

// How far below the band's position its drawing reaches: the band's height, or the bottom of
// its deepest field when a field sits lower (the shipped templates place their cells well
// below the running position, so the band height alone lets rows run off the page).
int BandExtent(const QDomNode& band)
{
    int extent = BandHeight(band);
    for (QDomNode n = band.firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement field = n.toElement();
        if (field.tagName() != QLatin1String("TContainerField"))
            continue;
        extent = qMax(extent, IntAttribute(field, QStringLiteral("top")) + IntAttribute(field, QStringLiteral("height")));
    }
    return extent;
}

} // namespace

ReportEngine::ReportEngine(QWidget* parent)
    : QWidget(parent)
    , document(new QDomDocument(QStringLiteral("Reports")))
{
    // The engine is only a QObject with a widget parent for the preview: never show it with its parent.
    hide();

    // The templates are laid out for "MS Shell Dlg 2"; Liberation Sans has the same metrics as
    // the font it stands for on the system the templates were designed on, so text fits the cells.
    static const bool fontsSubstituted = [] {
        QFont::insertSubstitution(QStringLiteral("MS Shell Dlg 2"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    Q_UNUSED(fontsSubstituted)
}

ReportEngine::~ReportEngine()
{
    delete document;
}

bool ReportEngine::LoadTemplate(const QString& path)
{
    QResource resource(path, QLocale());
    QFile file(resource.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const bool parsed = document->setContent(&file, false);
    file.close();
    if (!parsed)
        return false;

    // Every lay-out step divides by the printable size: a report page without one is refused
    // here instead of producing an infinite scale.
    const QDomNodeList pages = document->documentElement().childNodes();
    for (int i = 0; i < pages.count(); ++i) {
        const QDomElement report = pages.at(i).toElement();
        const int height = IntAttribute(report, QStringLiteral("pageHeight")) - IntAttribute(report, QStringLiteral("marginsTop"))
                           - IntAttribute(report, QStringLiteral("marginsBottom"));
        const int width = IntAttribute(report, QStringLiteral("pageWidth")) - IntAttribute(report, QStringLiteral("marginsLeft"))
                          - IntAttribute(report, QStringLiteral("marginsRight"));
        if (height <= 0 || width <= 0) {
            *document = QDomDocument(QStringLiteral("Reports"));
            return false;
        }
    }
    return true;
}

void ReportEngine::printPreview(QPrinter* printer)
{
    RunPasses(printer);
}

// Counting pass (total pages, aggregate values), then the drawing pass.
bool ReportEngine::RunPasses(QPrinter* printer, PrintFailure* failure)
{
    aggregateValues.clear();
    collectedKeys.clear();
    PartialPdf pdf(printer);
    const auto failed = [&] {
        if (failure && pdf.WritesFile())
            *failure = pdf.Failure();
        return false;
    };
    if (!painter.begin(printer)) {
        pdf.BeginFailed();
        return failed();
    }

    currentPage = 1;
    for (int i = 0; i < document->documentElement().childNodes().count(); ++i) {
        reportPage = i;
        RenderReportPage(printer, false, i);
        totalPages = currentPage;
    }

    currentPage = 1;
    for (int i = 0; i < document->documentElement().childNodes().count(); ++i) {
        reportPage = i;
        RenderReportPage(printer, true, i);
    }

    return (painter.end() && pdf.Complete()) || failed();
}

void ReportEngine::RenderReportPage(QPrinter* printer, bool draw, int reportPage)
{
    const QDomElement report = document->documentElement().childNodes().at(reportPage).toElement();
    SetupPage(printer, report);

    int y = 0;
    painter.setBackgroundMode(Qt::TransparentMode);
    if (reportPage > 0)
        StartNewPage(printer, y, draw);

    RenderReportTitle(y, draw);
    // A later report page got its page header and footer from StartNewPage already.
    if (reportPage == 0)
        RenderPageHeader(y, draw);
    RenderMasterHeader(y, draw);
    if (reportPage == 0)
        RenderPageFooter(draw);
    RenderMasterData(printer, y, draw, reportPage);
    RenderMasterFooter(printer, y, draw);
    RenderReportSummary(printer, y, draw);
}

void ReportEngine::SetupPage(QPrinter* printer, QDomElement report)
{
    pageHeight = IntAttribute(report, QStringLiteral("pageHeight"));
    pageWidth = IntAttribute(report, QStringLiteral("pageWidth"));
    marginsLeft = IntAttribute(report, QStringLiteral("marginsLeft"));
    marginsRight = IntAttribute(report, QStringLiteral("marginsRight"));
    marginsTop = IntAttribute(report, QStringLiteral("marginsTop"));
    marginsBottom = IntAttribute(report, QStringLiteral("marginsBottom"));

    // Template units are quarter millimetres; whole millimetres first, then 0.01 mm.
    printer->setPageSize(QPageSize(QSizeF(pageWidth / 4, pageHeight / 4), QPageSize::Millimeter));
    printer->setPageMargins(QMarginsF(marginsLeft / 4 + 0.01, marginsTop / 4 + 0.01, marginsRight / 4 + 0.01,
                                      marginsBottom / 4 + 0.01),
                            QPageLayout::Millimeter);
    printer->setPageOrientation(IntAttribute(report, QStringLiteral("orientation")) == 1 ? QPageLayout::Landscape
                                                                                        : QPageLayout::Portrait);

    const QRectF r = printer->pageRect(QPrinter::DevicePixel);
    scaleY = float(double(r.toRect().height()) / double(pageHeight - marginsBottom - marginsTop));
    scaleX = float(double(r.toRect().width()) / double(pageWidth - marginsRight - marginsLeft));

    reportTitle = FindBand(ReportTitle, report);
    pageHeader = FindBand(PageHeader, report);
    pageFooter = FindBand(PageFooter, report);
    masterFooter = FindBand(MasterFooter, report);
    reportSummary = FindBand(ReportSummary, report);
    masterData = FindBand(MasterData, report);
    masterHeader = FindBand(MasterHeader, report);
}

QDomNode ReportEngine::FindBand(int kind, QDomElement report)
{
    if (kind < ReportTitle || kind > PageFooter)
        return QDomNode();
    const QString keyword = QLatin1String(bandKeywords[kind]);
    for (QDomNode n = report.firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement band = n.toElement();
        if (band.tagName() == QLatin1String("ReportBand") && band.attribute(QStringLiteral("type")) == keyword)
            return n;
    }
    return QDomNode();
}

int ReportEngine::PageBodyHeight() const
{
    return pageHeight - marginsTop - marginsBottom;
}

void ReportEngine::StartNewPage(QPrinter* printer, int& y, bool draw)
{
    if (draw) {
        printer->newPage();
        painter.setBackgroundMode(Qt::TransparentMode);
    }
    currentPage += 1;
    y = 0;
    RenderPageHeader(y, draw);
    RenderPageFooter(draw);
}

void ReportEngine::RenderReportTitle(int& y, bool draw)
{
    if (reportTitle.isNull())
        return;
    if (draw)
        DrawBandFields(reportTitle, y);
    y += BandHeight(reportTitle);
}

void ReportEngine::RenderPageHeader(int& y, bool draw)
{
    if (pageHeader.isNull())
        return;
    if (draw)
        DrawBandFields(pageHeader, y);
    y += BandHeight(pageHeader);
}

void ReportEngine::RenderMasterHeader(int& y, bool draw)
{
    if (masterHeader.isNull())
        return;
    if (draw)
        DrawBandFields(masterHeader, y);
    y += BandHeight(masterHeader);
}

void ReportEngine::RenderPageFooter(bool draw)
{
    if (pageFooter.isNull() || !draw)
        return;
    DrawBandFields(pageFooter, PageBodyHeight() - BandHeight(pageFooter));
}

void ReportEngine::RenderMasterData(QPrinter* printer, int& y, bool draw, int reportPage)
{
    if (recordCounts.isEmpty() || reportPage >= recordCounts.size() || recordCounts.at(reportPage) <= 0
        || masterData.isNull())
        return;

    const int H = PageBodyHeight();
    for (int r = 0; r < recordCounts.at(reportPage); ++r) {
        recNo = r;
        const int pf = pageFooter.isNull() ? 0 : BandHeight(pageFooter);
        const int mf = masterFooter.isNull() ? 0 : BandHeight(masterFooter);
        const int h = BandHeight(masterData);
        // Room is kept for the master footer on every page, although it prints only once.
        if (y + qMax(h, BandExtent(masterData)) > H - mf - pf) {
            StartNewPage(printer, y, draw);
            RenderMasterHeader(y, draw);
        }
        if (draw)
            DrawBandFields(masterData, y);
        else
            CollectAggregateValues(masterData);
        y += h;
    }
}

void ReportEngine::RenderMasterFooter(QPrinter* printer, int& y, bool draw)
{
    if (masterFooter.isNull())
        return;
    const int h = BandHeight(masterFooter);
    if (y + qMax(h, BandExtent(masterFooter)) > PageBodyHeight())
        StartNewPage(printer, y, draw);
    if (draw)
        DrawBandFields(masterFooter, y);
    y += h;
}

void ReportEngine::RenderReportSummary(QPrinter* printer, int& y, bool draw)
{
    if (reportSummary.isNull())
        return;
    const int h = BandHeight(reportSummary);
    // The summary keeps twice its height free below the running position.
    if (y + qMax(2 * h, BandExtent(reportSummary)) > PageBodyHeight())
        StartNewPage(printer, y, draw);
    if (draw)
        DrawBandFields(reportSummary, y);
    y += h;
}
