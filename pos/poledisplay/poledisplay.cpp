#include "poledisplay.h"

#include <QMessageBox>
#include <QWidget>

Q_LOGGING_CATEGORY(lcPoleDisplay, "vorantel.poledisplay")

PoleDisplay::PoleDisplay(QObject* parent)
    : QObject(parent)
{
}

PoleDisplay::~PoleDisplay()
{
    if (portOpen) {
        serialPort.flush();
        serialPort.close();
    }
}

bool PoleDisplay::open(QString portName, QString baudRate, QString dataBits, QString parity, QString stopBits,
                       QString flowControl, int lineCount, int charCount)
{
    if (portOpen)
        return true;
    this->lineCount = lineCount;
    this->charCount = charCount;

    serialPort.setPortName(portName);
    serialPort.setBaudRate(baudRate.toInt(nullptr, 10), QSerialPort::AllDirections);

    switch (dataBits.toInt()) {
    case 5: serialPort.setDataBits(QSerialPort::Data5); break;
    case 6: serialPort.setDataBits(QSerialPort::Data6); break;
    case 7: serialPort.setDataBits(QSerialPort::Data7); break;
    case 8: serialPort.setDataBits(QSerialPort::Data8); break;
    default: break;
    }

    if (parity == QLatin1String("NONE"))
        serialPort.setParity(QSerialPort::NoParity);
    else if (parity == QLatin1String("ODD"))
        serialPort.setParity(QSerialPort::OddParity);
    else if (parity == QLatin1String("EVEN"))
        serialPort.setParity(QSerialPort::EvenParity);
    else if (parity == QLatin1String("MARK"))
        serialPort.setParity(QSerialPort::MarkParity);
    else if (parity == QLatin1String("SPACE"))
        serialPort.setParity(QSerialPort::SpaceParity);

    if (stopBits == QLatin1String("1"))
        serialPort.setStopBits(QSerialPort::OneStop);
    else if (stopBits == QLatin1String("1.5"))
        serialPort.setStopBits(QSerialPort::OneAndHalfStop);
    else if (stopBits == QLatin1String("2"))
        serialPort.setStopBits(QSerialPort::TwoStop);

    if (flowControl == QLatin1String("NONE"))
        serialPort.setFlowControl(QSerialPort::NoFlowControl);
    else if (flowControl == QLatin1String("Hardware"))
        serialPort.setFlowControl(QSerialPort::HardwareControl);
    else if (flowControl == QLatin1String("Software"))
        serialPort.setFlowControl(QSerialPort::SoftwareControl);

    if (serialPort.open(QIODevice::WriteOnly)) {
        portOpen = true;
        serialPort.clear(QSerialPort::AllDirections);
        return true;
    }
    qCWarning(lcPoleDisplay) << "cannot open" << portName << serialPort.errorString();
    QMessageBox::information(qobject_cast<QWidget*>(parent()), tr("Test"),
                             tr("Error occurred while opening serial port. Please check all parameters and try again."),
                             QMessageBox::Ok);
    serialPort.close();
    return false;
}

void PoleDisplay::showPaid(QString value)
{
    showLine1(formatPaid(value));
}

void PoleDisplay::showTotal(QString value)
{
    showLine2(formatTotal(value));
}

void PoleDisplay::showPrice(QString value)
{
    showLine1(formatPrice(value));
}

void PoleDisplay::showDue(QString value)
{
    showLine2(formatDue(value));
}

QString PoleDisplay::formatPaid(QString value)
{
    return Labelled(paidLabel, value);
}

QString PoleDisplay::formatTotal(QString value)
{
    return Labelled(totalLabel, value);
}

QString PoleDisplay::formatDue(QString value)
{
    return Labelled(dueLabel, value);
}

QString PoleDisplay::formatPrice(QString value)
{
    return Labelled(priceLabel, value);
}

QString PoleDisplay::Labelled(const QString& label, const QString& value) const
{
    // The value sits at the right edge; one too long is sent whole, never cut.
    const int blanks = charCount - value.length() - label.length();
    return label + QString(qMax(blanks, 0), QLatin1Char(' ')) + value;
}

void PoleDisplay::Send(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    if (!bytes.isEmpty())
        serialPort.write(bytes);
}

void PoleDisplay::Send(const char* bytes)
{
    serialPort.write(bytes);
}

void PoleDisplay::Flush()
{
    serialPort.flush();
}
