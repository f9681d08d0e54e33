#include "qzint.h"

#include <zint.h>

#include <QPainter>
#include <QPolygonF>
#include <QtMath>

#include <cstring>

namespace Zint {

namespace {

void CopyColour(char* target, const QColor& color)
{
    const QByteArray hex = QStringLiteral("%1%2%3%4")
                               .arg(color.red(), 2, 16, QLatin1Char('0'))
                               .arg(color.green(), 2, 16, QLatin1Char('0'))
                               .arg(color.blue(), 2, 16, QLatin1Char('0'))
                               .arg(color.alpha(), 2, 16, QLatin1Char('0'))
                               .toUpper()
                               .toLatin1();
    std::memcpy(target, hex.constData(), 9); // 8 digits and the terminating zero
}

QPolygonF Hexagon(const zint_vector_hexagon* h)
{
    QPolygonF points;
    const qreal radius = h->diameter / 2.0;
    for (int corner = 0; corner < 6; ++corner) {
        const qreal angle = qDegreesToRadians(60.0 * corner + 90.0 + h->rotation);
        points << QPointF(h->x + radius * qCos(angle), h->y + radius * qSin(angle));
    }
    return points;
}

} // namespace

QZint::QZint()
    : zintSymbol(ZBarcode_Create())
    , symbology(BARCODE_CODE128)
{
}

QZint::~QZint()
{
    ZBarcode_Delete(zintSymbol);
}

int QZint::symbol() const { return symbology; }
void QZint::setSymbol(int symbol) { symbology = symbol; }
QString QZint::text() const { return data; }
void QZint::setText(const QString& text) { data = text; }
int QZint::width() const { return drawWidth; }
void QZint::setWidth(int width) { drawWidth = width; }
int QZint::whitespace() const { return whitespaceWidth; }
void QZint::setWhitespace(int whitespace) { whitespaceWidth = whitespace; }
int QZint::securityLevel() const { return security; }
void QZint::setSecurityLevel(int level) { security = level; }
QColor QZint::bgColor() const { return background; }
void QZint::setBgColor(const QColor& color) { background = color; }
QColor QZint::fgColor() const { return foreground; }
void QZint::setFgColor(const QColor& color) { foreground = color; }
QString QZint::lastError() const { return error; }
bool QZint::hasErrors() const { return !error.isEmpty(); }

bool QZint::encode()
{
    error.clear();
    if (!zintSymbol) {
        error = QStringLiteral("No symbol");
        return false;
    }
    ZBarcode_Clear(zintSymbol);
    zintSymbol->symbology = symbology;
    zintSymbol->whitespace_width = whitespaceWidth;
    zintSymbol->option_1 = security;
    zintSymbol->input_mode = UNICODE_MODE;
    CopyColour(zintSymbol->fgcolour, foreground);
    CopyColour(zintSymbol->bgcolour, background);

    const QByteArray bytes = data.toUtf8();
    int result = ZBarcode_Encode(zintSymbol, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
    if (result < ZINT_ERROR)
        result = ZBarcode_Buffer_Vector(zintSymbol, 0);
    if (result >= ZINT_ERROR) {
        error = QString::fromUtf8(zintSymbol->errtxt);
        return false;
    }
    return zintSymbol->vector != nullptr;
}

void QZint::render(QPainter& painter, const QRectF& paintRect, AspectRatioMode mode)
{
    painter.save();
    if (!encode()) {
        painter.setPen(foreground);
        painter.drawText(paintRect, Qt::AlignCenter | Qt::TextWordWrap, error);
        painter.restore();
        return;
    }

    const zint_vector* vector = zintSymbol->vector;
    qreal sx = vector->width > 0 ? paintRect.width() / vector->width : 1.0;
    qreal sy = vector->height > 0 ? paintRect.height() / vector->height : 1.0;
    if (mode == KeepAspectRatio)
        sx = sy = qMin(sx, sy);
    else if (mode == CenterBarCode)
        sx = sy = 1.0;
    const qreal left = paintRect.left() + (paintRect.width() - vector->width * sx) / 2.0;
    const qreal top = paintRect.top() + (paintRect.height() - vector->height * sy) / 2.0;

    painter.translate(left, top);
    painter.scale(sx, sy);
    painter.setPen(Qt::NoPen);
    if (background.alpha() > 0)
        painter.fillRect(QRectF(0, 0, vector->width, vector->height), background);

    painter.setBrush(foreground);
    for (const zint_vector_rect* r = vector->rectangles; r; r = r->next)
        painter.fillRect(QRectF(r->x, r->y, r->width, r->height), r->colour == 8 ? Qt::white : foreground);
    for (const zint_vector_hexagon* h = vector->hexagons; h; h = h->next)
        painter.drawPolygon(Hexagon(h));
    for (const zint_vector_circle* c = vector->circles; c; c = c->next) {
        const QColor colour = c->colour ? (background.alpha() > 0 ? background : QColor(Qt::white)) : foreground;
        const qreal radius = c->diameter / 2.0;
        if (c->width > 0) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(colour, c->width));
        } else {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
        }
        painter.drawEllipse(QPointF(c->x, c->y), radius, radius);
    }

    painter.setPen(foreground);
    for (const zint_vector_string* s = vector->strings; s; s = s->next) {
        QFont font(QStringLiteral("Helvetica"));
        font.setPixelSize(qMax(1, qRound(s->fsize)));
        painter.setFont(font);
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(s->text));
        const qreal textWidth = painter.fontMetrics().horizontalAdvance(text);
        qreal x = s->x;
        if (s->halign == 0)
            x -= textWidth / 2.0;
        else if (s->halign == 2)
            x -= textWidth;
        painter.drawText(QPointF(x, s->y), text);
    }
    painter.restore();
}

} // namespace Zint

Zint::QZint* createWidget()
{
    return new Zint::QZint;
}
