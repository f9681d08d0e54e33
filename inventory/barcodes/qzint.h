#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

struct zint_symbol;
class QPainter;

namespace Zint {

// The program's Qt face of libzint (2.11 C API): encodes one symbol and paints it with QPainter.
// Its members are exported from the executable, together with createWidget().
//
// Which libzint fields the setters fill:
//  - setSymbol       -> symbology
//  - setSecurityLevel-> option_1 (error-correction level: QR 1-4, PDF417 0-8; 0 leaves the library's choice)
//  - setWhitespace   -> whitespace_width (quiet zone left and right, in modules)
//  - setBgColor      -> bgcolour (RRGGBBAA, so a transparent background is possible)
//  - setText         -> the data passed to ZBarcode_Encode (UTF-8)
//  - setWidth        -> no libzint field. Older wrappers put it into option_2, which libzint reads as the QR
//    version, the PDF417 column count or the EAN add-on gap; the label sheet passes its label width in pixels
//    there, which breaks QR and PDF417 labels. Here it is only the drawing width reported by width(); the
//    symbol keeps the library's automatic size (option_2 = 0) and is scaled into the rectangle given to render().
class QZint
{
public:
    enum AspectRatioMode { IgnoreAspectRatio = 0, KeepAspectRatio = 1, CenterBarCode = 2 };

    QZint();
    virtual ~QZint();

    int symbol() const;
    void setSymbol(int symbol);
    QString text() const;
    void setText(const QString& text);
    int width() const;
    void setWidth(int width);
    int whitespace() const;
    void setWhitespace(int whitespace);
    int securityLevel() const;
    void setSecurityLevel(int level);
    QColor bgColor() const;
    void setBgColor(const QColor& color);
    QColor fgColor() const;
    void setFgColor(const QColor& color);

    // Empty when the last encoding succeeded (warnings included).
    QString lastError() const;
    bool hasErrors() const;

    // Encodes the current text and paints the symbol, stretched or fitted into the rectangle as the mode says.
    // A text the symbology refuses paints the library's error text instead.
    void render(QPainter& painter, const QRectF& paintRect, AspectRatioMode mode = IgnoreAspectRatio);

private:
    bool encode();

    zint_symbol* zintSymbol = nullptr;
    int symbology;
    QString data;
    int drawWidth = 0;
    int whitespaceWidth = 0;
    int security = 0;
    QColor background = Qt::white;
    QColor foreground = Qt::black;
    QString error;
};

} // namespace Zint

// Factory for outside callers: a new symbol object that the caller owns.
extern "C" Q_DECL_EXPORT Zint::QZint* createWidget();
