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
    const int pages = Pages(path);
    QList<QSizeF> sizes;
    if (pages <= 0)
        return sizes;
    const QString info = Run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                          QString::number(pages), path});
    const QRegularExpression re(QStringLiteral("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    auto it = re.globalMatch(info);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        sizes << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

QList<Word> Words(const QString& path, QList<double>* pageHeights)
{
    const QString html = Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    const QRegularExpression pageRe(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    const QRegularExpression wordRe(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Word> words;
    int page = 0;
    int pos = 0;
    while (true) {
        const QRegularExpressionMatch p = pageRe.match(html, pos);
        const QRegularExpressionMatch w = wordRe.match(html, pos);
        if (p.hasMatch() && (!w.hasMatch() || p.capturedStart() < w.capturedStart())) {
            ++page;
            if (pageHeights)
                pageHeights->append(p.captured(2).toDouble());
            pos = p.capturedEnd();
            continue;
        }
        if (!w.hasMatch())
            break;
        Word word;
        word.page = page;
        word.text = QTextDocumentFragment::fromHtml(w.captured(5)).toPlainText();
        word.box = QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                          QPointF(w.captured(3).toDouble(), w.captured(4).toDouble()));
        words << word;
        pos = w.capturedEnd();
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

} // namespace PdfReader
