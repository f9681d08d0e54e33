#include "documentprinter.h"

#include <QDebug>
#include <QPrinter>
#include <QTextDocument>

void DocumentPrinter::run()
{
    if (debug)
        qDebug() << "DocumentPrinter::run" << Qt::endl;
    done = false;
    document = new QTextDocument;
    document->setHtml(*html);
    document->print(printer);
    done = true;
}
