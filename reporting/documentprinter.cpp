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
    // The creator deletes the document on its own thread, so the document's layout
    // timers must belong to that thread too.
    document->moveToThread(thread());
    done = true;
}
