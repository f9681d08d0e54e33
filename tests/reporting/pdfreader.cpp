#include "pdfreader.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocumentFragment>

namespace PdfReader {

namespace {

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

QString Text(const QString& path, int page)
{
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    args << path << QStringLiteral("-");
    return Run(QStringLiteral("pdftotext"), args);
}

int Pages(const QString& path)
{
    const QRegularExpression re(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = re.match(Run(QStringLiteral("pdfinfo"), {path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QList<QSizeF> PageSizes(const QString& path)
{
    QList<QSizeF> sizes;
    const QString info = Run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                          QString::number(Pages(path)), path});
    const QRegularExpression re(QStringLiteral("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    for (auto it = re.globalMatch(info); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        sizes << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

QList<Word> Words(const QString& path, QList<double>* pageHeights)
{
    const QString html = Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    const QRegularExpression re(QStringLiteral("<page width=\"[\\d.]+\" height=\"([\\d.]+)\">|<word xMin=\"([\\d.]+)\" "
                                               "yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Word> words;
    int page = 0;
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const auto at = [&m](int n) { return m.captured(n).toDouble(); };
        if (m.capturedStart(1) >= 0) {
            ++page;
            if (pageHeights)
                pageHeights->append(at(1));
        } else {
            words << Word{page, QTextDocumentFragment::fromHtml(m.captured(6)).toPlainText(),
                          QRectF(QPointF(at(2), at(3)), QPointF(at(4), at(5)))};
        }
    }
    return words;
}

QStringList Fonts(const QString& path)
{
    QStringList fonts;
    const QStringList lines = Run(QStringLiteral("pdffonts"), {path}).split(QLatin1Char('\n'));
    for (int i = 2; i < lines.size(); ++i) {
        const QString name = lines.at(i).section(QLatin1Char(' '), 0, 0);
        if (!name.isEmpty())
            fonts << name;
    }
    return fonts;
}

QImage Render(const QString& path, int page, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.path() + QStringLiteral("/page");
    Run(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-r"),
                                     QString::number(dpi), QStringLiteral("-f"), QString::number(page),
                                     QStringLiteral("-l"), QString::number(page), path, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

QStringList PageTexts(const QString& path)
{
    // Each page ends in a form feed.
    QStringList pages = Text(path).split(QLatin1Char('\f'));
    pages.removeLast();
    return pages;
}

QList<QImage> RenderPages(const QString& path, int dpi)
{
    QTemporaryDir dir;
    Run(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), path,
                                     dir.path() + QStringLiteral("/page")});
    // Named page-N.png, N padded to the widest page number.
    QList<QImage> pages;
    for (const QString& file : QDir(dir.path()).entryList({QStringLiteral("page-*.png")}, QDir::Files, QDir::Name))
        pages << QImage(dir.filePath(file)).convertToFormat(QImage::Format_RGB32);
    return pages;
}

} // namespace PdfReader
