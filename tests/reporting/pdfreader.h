#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

// Reads printed output back through poppler's command line tools.
namespace PdfReader {

struct Word
{
    int page = 0; // from 1
    QString text;
    QRectF box; // points, origin at the page's top-left corner
};

// pdftotext -layout of one page (from 1), or of the whole file with page 0.
QString Text(const QString& path, int page = 0);
int Pages(const QString& path);
QList<QSizeF> PageSizes(const QString& path);
// Every word with its box (pdftotext -bbox); pageHeights receives each page's height in points.
QList<Word> Words(const QString& path, QList<double>* pageHeights = nullptr);
QStringList Fonts(const QString& path);
// One page rendered by pdftoppm at the given resolution; a null image when it fails.
QImage Render(const QString& path, int page, int dpi);
// Every page, as Text and Render give them one by one, read in one run of the tool.
QStringList PageTexts(const QString& path);
QList<QImage> RenderPages(const QString& path, int dpi);

} // namespace PdfReader
