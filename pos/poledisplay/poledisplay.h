#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QSerialPort>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcPoleDisplay)

// The customer display on a serial port. A subclass per display model puts its control bytes
// around the text; this class owns the port and labels the amounts of a sale.
class PoleDisplay : public QObject
{
    Q_OBJECT
public:
    explicit PoleDisplay(QObject* parent);
    ~PoleDisplay() override;

    // The arguments are the pole display settings' texts; a text it does not know leaves that
    // port parameter as it was. Tells the user itself when the port does not open.
    bool open(QString portName, QString baudRate, QString dataBits, QString parity, QString stopBits,
              QString flowControl, int lineCount, int charCount);

    virtual void clear() = 0;
    virtual void showWelcome(QString text) = 0;
    virtual void showLine1(QString text) = 0;
    virtual void showLine2(QString text) = 0;
    virtual void showLine2Alt(QString text) = 0;
    // Paid and price go to line 1, total and due to line 2.
    virtual void showPaid(QString value);
    virtual void showTotal(QString value);
    virtual void showPrice(QString value);
    virtual void showDue(QString value);

    QString formatPaid(QString value);
    QString formatTotal(QString value);
    QString formatDue(QString value);
    QString formatPrice(QString value);

protected:
    // Text goes out as UTF-8 up to its first zero byte; an empty text sends nothing.
    void Send(const QString& text);
    void Send(const char* bytes);
    void Flush();

    QSerialPort serialPort;
    // Once open, a display stays open until it is destroyed; every write checks this flag.
    bool portOpen = false;
    int lineCount = 0;
    int charCount = 0;
    QString welcomeLabel = QStringLiteral("WELCOME");
    QString paidLabel = QStringLiteral("Paid:");
    QString dueLabel = QStringLiteral("Due:");
    QString priceLabel = QStringLiteral("Price:");
    QString totalLabel = QStringLiteral("Total:");

private:
    QString Labelled(const QString& label, const QString& value) const;
};
