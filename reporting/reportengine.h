#pragma once

#include <QDomNode>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QWidget>

struct PrintFailure;

class QAction;
class QDomDocument;
class QDomElement;
class QPrinter;
class QPrintPreviewDialog;
class QPrintPreviewWidget;

// One numeric value of a placeholder, collected for one record during the counting pass.
struct AggregateValue
{
    QString paramName; // as written, brackets included: "[Total]"
    double value = 0;
    int recNo = 0;
};

// Fills an XML report template through the setValue/setValueImage callbacks and lays it out
// band by band on a printer, a PDF file or the print preview. One engine serves one print:
// construct, append the record counts, LoadTemplate, connect the signals, call one output.
class ReportEngine : public QWidget
{
    Q_OBJECT
public:
    enum BandKind {
        ReportTitle = 0,
        PageHeader = 1,
        MasterHeader = 2,
        MasterData = 3,
        MasterFooter = 4,
        ReportSummary = 5,
        PageFooter = 6,
    };
    enum HighlightProperty {
        FontBold = 0,
        FontItalic = 1,
        FontUnderline = 2,
        FontColor = 3,
        BackgroundColor = 4,
    };

    explicit ReportEngine(QWidget* parent);
    ~ReportEngine() override;

    bool LoadTemplate(const QString& path);

    void PrintToPrinter(bool reportPrinter);
    void PrintToSecondaryPrinter();
    // False when the PDF was not written whole (the user has been told).
    bool PrintToPDFFile(QString fileName, bool openAfterPrinting, bool secondary);
    void ShowPrintPreview(QWidget* parent);

    // Records per report page: entry i is how often the MasterData band of report page i repeats.
    QList<int> recordCounts;

signals:
    void setValue(int& recNo, QString& paramName, QVariant& paramValue, int reportPage);
    void setValueImage(int& recNo, QString& paramName, QImage& paramValue, int reportPage);

public slots:
    void printPreview(QPrinter* printer);
    void closePreview();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Layout (reportengine.cpp)
    // False when nothing was printed; failure says why a PDF was not written.
    bool RunPasses(QPrinter* printer, PrintFailure* failure = nullptr);
    void RenderReportPage(QPrinter* printer, bool draw, int reportPage);
    void SetupPage(QPrinter* printer, QDomElement report);
    QDomNode FindBand(int kind, QDomElement report);
    void StartNewPage(QPrinter* printer, int& y, bool draw);
    void RenderReportTitle(int& y, bool draw);
    void RenderPageHeader(int& y, bool draw);
    void RenderMasterHeader(int& y, bool draw);
    void RenderPageFooter(bool draw);
    void RenderMasterData(QPrinter* printer, int& y, bool draw, int reportPage);
    void RenderMasterFooter(QPrinter* printer, int& y, bool draw);
    void RenderReportSummary(QPrinter* printer, int& y, bool draw);
    int PageBodyHeight() const;

    // Fields and expressions (reportengine_fields.cpp)
    void DrawBandFields(QDomNode band, int y);
    void CollectAggregateValues(QDomNode band);
    bool IsFieldPrinted(const QDomElement& field);
    QVariant ApplyHighlighting(QDomElement field, int property);
    QColor ColorFromString(QString text);
    QString EvaluateFieldText(QString text, bool forScript, bool collect);
    QStringList ExtractParamNames(QString text);
    QString ParamValue(QString placeholder);
    QVariant SpecialVariableValue(QString name);
    QImage FieldImage(QString value);
    QImage ParamImage(QString placeholder);

    // Output (reportengine_output.cpp)
    QString PreparePdfFile(QPrinter& printer, const QString& suffix, bool retryWithPermissions);
    void PrintToNamedPrinter(const QString& noticeId, const QString& title, const QString& text,
                             const QString& pdfFlagKey, const QString& printerKey, const QString& suffix);

    QPainter painter;
    int recNo = 0;
    int reportPage = 0;
    float scaleY = 0;
    float scaleX = 0;
    int pageHeight = 0;
    int pageWidth = 0;
    int marginsLeft = 0;
    int marginsRight = 0;
    int marginsTop = 0;
    int marginsBottom = 0;
    int currentPage = 1;
    int totalPages = 0;

    QPrintPreviewDialog* previewDialog = nullptr;
    QPrintPreviewWidget* previewWidget = nullptr;
    QList<QAction*> previewActions;

    QDomNode reportTitle;
    QDomNode pageHeader;
    QDomNode masterData;
    QDomNode pageFooter;
    QDomNode reportSummary;
    QDomNode masterFooter;
    QDomNode masterHeader;

    QDomDocument* document = nullptr;

    // Values for Sum/Avg/Count: they belong to one run of the passes, so an earlier print
    // (of this engine or another) never leaks into the totals of the next one.
    QList<AggregateValue> aggregateValues;
    QSet<QPair<int, QString>> collectedKeys;
};
