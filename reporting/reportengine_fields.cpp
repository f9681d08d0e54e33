#include "reportengine.h"

#include <QDate>
#include <QDomElement>
#include <QScriptContext>
#include <QScriptEngine>
#include <QTime>

#include <cmath>

namespace {

const QColor noneColor(255, 255, 255, 0);

const char* const highlightKeywords[] = {"bold", "italic", "underline", "fontColor", "backgroundColor"};

QString CurrentDate()
{
    return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
}

QString CurrentTime()
{
    return QTime::currentTime().toString(Qt::TextDate);
}

bool IsScriptNumber(const QString& v)
{
    bool ok = false;
    double d = v.toDouble(&ok);
    if (!ok)
        d = double(v.toFloat(&ok));
    if (!ok)
        d = double(v.toInt(&ok, 10));
    // "inf" and "nan" convert, but are no script literals.
    return ok && std::isfinite(d);
}

// A caller's text as a script string literal: quotes, backslashes and line ends escaped,
// so a customer named O'Brien cannot break (or rewrite) the expression.
QString ScriptString(const QString& v)
{
    QString out;
    out.reserve(v.size() + 2);
    out += QLatin1Char('\'');
    for (const QChar c : v) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\'':
            out += QLatin1String("\\'");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case 0x2028:
            out += QLatin1String("\\u2028");
            break;
        case 0x2029:
            out += QLatin1String("\\u2029");
            break;
        default:
            out += c;
        }
    }
    out += QLatin1Char('\'');
    return out;
}

// Sum(mode, "[name]"): mode 0 total, 1 average, 2 count of the collected values of name.
QScriptValue ReportScriptSum(QScriptContext* context, QScriptEngine* engine, void* values)
{
    Q_UNUSED(engine)
    const int mode = int(context->argument(0).toInteger());
    const QString name = context->argument(1).toString();
    double total = 0;
    int count = 0;
    for (const AggregateValue& a : *static_cast<const QList<AggregateValue>*>(values)) {
        if (a.paramName == name) {
            total += a.value;
            ++count;
        }
    }
    switch (mode) {
    case 0:
        return QScriptValue(total);
    case 1:
        return count == 0 ? QScriptValue(0) : QScriptValue(total / count);
    case 2:
        return QScriptValue(count);
    default:
        return QScriptValue(0);
    }
}

Qt::PenStyle PenStyle(const QString& keyword)
{
    if (keyword == QLatin1String("dashed"))
        return Qt::DashLine;
    if (keyword == QLatin1String("dotted"))
        return Qt::DotLine;
    if (keyword == QLatin1String("dot-dash"))
        return Qt::DashDotLine;
    if (keyword == QLatin1String("dot-dot-dash"))
        return Qt::DashDotDotLine;
    return Qt::SolidLine;
}

int Alignment(const QDomElement& field)
{
    int flags = 0;
    const QString h = field.attribute(QStringLiteral("aligmentH"));
    if (h == QLatin1String("hLeft"))
        flags |= Qt::AlignLeft;
    else if (h == QLatin1String("hRight"))
        flags |= Qt::AlignRight;
    else if (h == QLatin1String("hCenter"))
        flags |= Qt::AlignHCenter;
    else if (h == QLatin1String("hJustify"))
        flags |= Qt::AlignJustify;
    const QString v = field.attribute(QStringLiteral("aligmentV"));
    if (v == QLatin1String("vTop"))
        flags |= Qt::AlignTop;
    else if (v == QLatin1String("vBottom"))
        flags |= Qt::AlignBottom;
    else if (v == QLatin1String("vCenter"))
        flags |= Qt::AlignVCenter;
    return flags;
}

int Scaled(int units, float scale)
{
    return int(float(units) * scale);
}

} // namespace

void ReportEngine::DrawBandFields(QDomNode band, int y)
{
    for (QDomNode n = band.firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement field = n.toElement();
        if (field.tagName() != QLatin1String("TContainerField"))
            continue;
        if (!IsFieldPrinted(field))
            continue;

        QFont font(field.attribute(QStringLiteral("fontFamily")),
                   field.attribute(QStringLiteral("fontSize")).toInt(nullptr, 10));
        font.setWeight(ApplyHighlighting(field, FontBold).toInt() != 0 ? QFont::Bold : QFont::Normal);
        font.setItalic(ApplyHighlighting(field, FontItalic).toInt() != 0);
        font.setUnderline(ApplyHighlighting(field, FontUnderline).toInt() != 0);
        painter.setFont(font);
        painter.setPen(Qt::black);

        const int left = Scaled(field.attribute(QStringLiteral("left")).toInt(nullptr, 10), scaleX);
        const int top = Scaled(field.attribute(QStringLiteral("top")).toInt(nullptr, 10) + y, scaleY);
        int width = Scaled(field.attribute(QStringLiteral("width")).toInt(nullptr, 10) - 1, scaleX);
        int height = Scaled(field.attribute(QStringLiteral("height")).toInt(nullptr, 10), scaleY);

        QPen pen = painter.pen();
        const int flags = Alignment(field);

        const QColor background = ColorFromString(ApplyHighlighting(field, BackgroundColor).toString());
        if (background != noneColor)
            painter.fillRect(left + 1, top + 1, width - 2, height - 2, background);

        pen.setWidth(field.attribute(QStringLiteral("borderWidth"), QStringLiteral("1"))
                         .remove(QStringLiteral("px"))
                         .toInt(nullptr, 10)
                     * 5);
        pen.setStyle(PenStyle(field.attribute(QStringLiteral("borderStyle"), QStringLiteral("solid"))));

        const struct
        {
            const char* attribute;
            QLine line;
        } borders[] = {
            {"borderTop", QLine(left, top, left + width, top)},
            {"borderBottom", QLine(left, top + height, left + width, top + height)},
            {"borderLeft", QLine(left, top, left, top + height)},
            {"borderRight", QLine(left + width, top, left + width, top + height)},
        };
        for (const auto& border : borders) {
            const QColor c = ColorFromString(field.attribute(QLatin1String(border.attribute)));
            if (c == noneColor)
                continue;
            pen.setColor(c);
            painter.setPen(pen);
            painter.drawLine(border.line);
        }

        const QString type = field.attribute(QStringLiteral("type"), QStringLiteral("label"));
        if (type == QLatin1String("label")) {
            const QString text = EvaluateFieldText(field.attribute(QStringLiteral("value")), false, false);
            pen.setColor(ColorFromString(ApplyHighlighting(field, FontColor).toString()));
            painter.setPen(pen);
            painter.drawText(QRect(left + 10, top, width - 10, height), flags | Qt::TextWordWrap | Qt::TextDontClip,
                             text);
        } else if (type == QLatin1String("labelImage")) {
            const QImage image = FieldImage(field.attribute(QStringLiteral("value")));
            if (!image.isNull()) {
                // A negative size ("-1") draws the image one template unit per image pixel.
                if (width < 0 || height < 0) {
                    height = Scaled(image.height() - 1, scaleY);
                    width = Scaled(image.width() - 1, scaleX);
                }
                painter.drawImage(QRect(left, top, width, height), image);
            }
        } else if (type == QLatin1String("image")) {
            const QImage image(field.attribute(QStringLiteral("picture"), QStringLiteral("text")));
            if (!image.isNull())
                painter.drawPixmap(left, top, QPixmap::fromImage(image));
        }
    }
}

void ReportEngine::CollectAggregateValues(QDomNode band)
{
    for (QDomNode n = band.firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement field = n.toElement();
        if (field.tagName() != QLatin1String("TContainerField"))
            continue;
        if (!IsFieldPrinted(field))
            continue;
        if (field.attribute(QStringLiteral("type"), QStringLiteral("label")) != QLatin1String("label"))
            continue;
        EvaluateFieldText(field.attribute(QStringLiteral("value")), false, true);
    }
}

bool ReportEngine::IsFieldPrinted(const QDomElement& field)
{
    const QString p = field.attribute(QStringLiteral("printing"), QStringLiteral("1"));
    if (p.length() > 1) {
        QScriptEngine engine;
        return engine.evaluate(EvaluateFieldText(p, true, false)).toInteger() != 0;
    }
    return p.toInt(nullptr, 10) != 0;
}

QVariant ReportEngine::ApplyHighlighting(QDomElement field, int property)
{
    auto ownAttribute = [&field, property]() -> QVariant {
        switch (property) {
        case FontBold:
            return field.attribute(QStringLiteral("fontBold")).toInt(nullptr, 10);
        case FontItalic:
            return field.attribute(QStringLiteral("fontItalic")).toInt(nullptr, 10);
        case FontUnderline:
            return field.attribute(QStringLiteral("fontUnderline")).toInt(nullptr, 10);
        case FontColor:
            return field.attribute(QStringLiteral("fontColor"));
        case BackgroundColor:
            return field.attribute(QStringLiteral("backgroundColor"));
        default:
            return QVariant();
        }
    };

    const QString h = field.attribute(QStringLiteral("highlighting"));
    if (h.isEmpty() || property < FontBold || property > BackgroundColor)
        return ownAttribute();

    const QStringList items = h.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    const QString condition = items.at(0);
    const QString keyword = QLatin1String(highlightKeywords[property]);
    for (int i = 1; i < items.size(); ++i) {
        QString item = items.at(i);
        if (item.isEmpty() || !item.contains(keyword))
            continue;
        item.remove(keyword + QLatin1Char('='));
        QScriptEngine engine;
        if (property == FontColor || property == BackgroundColor) {
            // "?rgba(255,0,0,255)" becomes "?'rgba(255,0,0,255)" ... "':'<own colour>'".
            item.insert(1, QLatin1Char('\''));
            const QString own = field.attribute(property == FontColor ? QStringLiteral("fontColor")
                                                                      : QStringLiteral("backgroundColor"));
            const QString s = EvaluateFieldText(condition + item, true, false) + QLatin1String("':'") + own
                              + QLatin1Char('\'');
            return engine.evaluate(s).toString();
        }
        return engine.evaluate(EvaluateFieldText(condition + item, true, false)).toInteger();
    }
    // Rules for other properties only: this one keeps the field's own setting (never invisible text).
    return ownAttribute();
}

QColor ReportEngine::ColorFromString(QString text)
{
    QColor color;
    const int open = text.indexOf(QLatin1Char('('));
    const int start = open < 0 ? 0 : open + 1;
    const int close = text.indexOf(QLatin1Char(')'), start);
    const QString inner = close < 0 ? text.mid(start) : text.mid(start, close - start);
    const QStringList parts = inner.split(QLatin1Char(','));
    auto part = [&parts](int i) { return i < parts.size() ? qBound(0, parts.at(i).toInt(nullptr, 10), 255) : 0; };
    color.setRgb(part(0), part(1), part(2), part(3));
    return color;
}

QString ReportEngine::EvaluateFieldText(QString text, bool forScript, bool collect)
{
    QStringList pieces;
    QString piece;
    bool inAngle = false;
    auto closePiece = [&]() {
        if (!piece.isEmpty())
            pieces << piece;
        piece.clear();
    };
    for (const QChar c : text) {
        if (c == QLatin1Char('[') && !inAngle) {
            closePiece();
            piece = c;
        } else if (c == QLatin1Char(']') && !inAngle) {
            piece += c;
            closePiece();
        } else if (!forScript && c == QLatin1Char('<')) {
            inAngle = true;
            closePiece();
            piece = c;
        } else if (!forScript && c == QLatin1Char('>')) {
            inAngle = false;
            piece += c;
            closePiece();
        } else {
            piece += c;
        }
    }
    closePiece();

    QString result;
    for (QString p : qAsConst(pieces)) {
        if (p.contains(QLatin1Char('[')) && p.contains(QLatin1Char(']')) && !p.contains(QLatin1Char('<'))) {
            const QString v = ParamValue(p);
            if (forScript) {
                result += IsScriptNumber(v) ? v : ScriptString(v);
            } else {
                bool numeric = false;
                const double number = v.toDouble(&numeric);
                if (collect && numeric && !collectedKeys.contains(qMakePair(recNo, p))) {
                    collectedKeys.insert(qMakePair(recNo, p));
                    aggregateValues.append(AggregateValue{p, number, recNo});
                }
                result += v;
            }
            continue;
        }

        p.replace(QLatin1String("<Date>"), CurrentDate());
        p.replace(QLatin1String("<Time>"), CurrentTime());
        p.replace(QLatin1String("<Page>"), QString::number(currentPage));
        p.replace(QLatin1String("<TotalPages>"), QString::number(totalPages));
        p.replace(QLatin1String("<LineNo>"), QString::number(recNo + 1));

        if (p.contains(QLatin1Char('<')) && p.contains(QLatin1Char('>'))) {
            QString f = p;
            QScriptEngine engine;
            const QStringList parts = ExtractParamNames(f);
            int slot = 0;
            for (int k = 1; k < parts.size(); ++k) {
                const QString& part = parts.at(k);
                const QString before = parts.at(k - 1).toUpper();
                if (part.contains(QLatin1Char('[')) && part.contains(QLatin1Char(']'))
                    && !before.contains(QLatin1String("SUM")) && !before.contains(QLatin1String("AVG"))
                    && !before.contains(QLatin1String("COUNT"))) {
                    // A value enters the formula as data, never as script text: a customer named
                    // "3+4" prints as such, and a name holding script runs nothing.
                    const QString v = ParamValue(part);
                    const QString variable = QStringLiteral("fieldValue%1_").arg(slot++);
                    engine.globalObject().setProperty(variable, IsScriptNumber(v) ? QScriptValue(v.toDouble())
                                                                                  : QScriptValue(v));
                    f.replace(part, variable);
                }
            }
            engine.globalObject().setProperty(QStringLiteral("Sum"), engine.newFunction(ReportScriptSum, &aggregateValues),
                                              QScriptValue::KeepExistingFlags);
            f.replace(QLatin1String("Sum("), QLatin1String("Sum(0,"), Qt::CaseInsensitive);
            f.replace(QLatin1String("Avg("), QLatin1String("Sum(1,"), Qt::CaseInsensitive);
            f.replace(QLatin1String("Count("), QLatin1String("Sum(2,"), Qt::CaseInsensitive);
            f.replace(QLatin1Char('['), QLatin1String("'["));
            f.replace(QLatin1Char(']'), QLatin1String("]'"));
            f.remove(QLatin1Char('<'));
            f.remove(QLatin1Char('>'));
            p = engine.evaluate(f).toString();
        }
        result += p;
    }
    return result;
}

QStringList ReportEngine::ExtractParamNames(QString text)
{
    QStringList pieces;
    QString piece;
    for (const QChar c : text) {
        if (c == QLatin1Char('[')) {
            if (!piece.isEmpty())
                pieces << piece;
            piece = c;
        } else if (c == QLatin1Char(']')) {
            piece += c;
            pieces << piece;
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.isEmpty())
        pieces << piece;
    return pieces;
}

QString ReportEngine::ParamValue(QString placeholder)
{
    QString name = placeholder;
    name.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    QVariant v = SpecialVariableValue(name);
    if (v.isNull())
        emit setValue(recNo, name, v, reportPage);
    return v.toString();
}

QVariant ReportEngine::SpecialVariableValue(QString name)
{
    if (name.contains(QLatin1String("Date")))
        return CurrentDate();
    if (name.contains(QLatin1String("Time")))
        return CurrentTime();
    if (name.contains(QLatin1String("TotalPages")))
        return QString::number(totalPages);
    if (name.contains(QLatin1String("Page")))
        return QString::number(currentPage);
    if (name.contains(QLatin1String("LineNo")))
        return QString::number(recNo + 1);
    return QVariant();
}

QImage ReportEngine::FieldImage(QString value)
{
    return ParamImage(value);
}

QImage ReportEngine::ParamImage(QString placeholder)
{
    QImage image(500, 500, QImage::Format_ARGB32);
    image.fill(0);
    QString name = placeholder;
    name.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    emit setValueImage(recNo, name, image, reportPage);
    return image;
}
