#include "progress.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

Progress::Progress(QWidget* parent, const QString& message)
    : QDialog(parent)
{
    auto* layout = new QVBoxLayout;
    label = new QLabel(message.isEmpty() ? tr("Please wait...") : message);
    auto* bar = new QProgressBar;
    bar->setRange(0, 0);
    bar->setValue(0);
    layout->addWidget(label);
    layout->addWidget(bar);
    setStyleSheet(QStringLiteral("QProgressBar\n{\nborder-style: solid;\nborder: 2px solid gray;\nborder-radius: 8px;\n\n}\n\n\n"
                                 " QProgressBar::chunk {\n    min-height: 50px;\n    max-height: 100px;\n    min-width: 400px;\n"
                                 "   max-width: 600px;\n    font-size: 15px;\n }\n"));
    resize(300, 50);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setLayout(layout);
}

QString Progress::message() const
{
    return label->text();
}

void Progress::UpdateLayoutP()
{
    updateGeometry();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
