#include "errordialog.h"
#include "ui_errordialog.h"

#include "appsettings.h"
#include "messagesettings.h"

#include <QScroller>
#include <QTimer>

bool ErrorDialog::blinkToggle = false;

ErrorDialog::ErrorDialog(const QString& messageId, const QString& title, const QString& text, QWidget* parent,
                         bool hideCheckBox, bool html)
    : VorantelDialog(parent)
    , ui(new Ui::ErrorDialog)
    , messageId(messageId)
    , hideCheckBox(hideCheckBox)
{
    ui->setupUi(this);
    ui->txtMessage->setReadOnly(true);
    QScroller::grabGesture(ui->txtMessage->viewport(), QScroller::LeftMouseButtonGesture);
    if (html)
        ui->txtMessage->setHtml(text);
    else
        ui->txtMessage->setText(text);
    setWindowTitle(title);
    if (hideCheckBox)
        ui->frameCheckBox->hide();
    theme = AppSettings::Instance()->Theme();

    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &ErrorDialog::OnBlinkingTimeout);
    timer->start(800);
}

ErrorDialog::~ErrorDialog()
{
    delete ui;
}

int ErrorDialog::exec()
{
    if (hideCheckBox)
        return QDialog::exec();
    if ((*MessageSettings::Instance())[messageId].show)
        QDialog::exec();
    else
        close();
    return QDialog::Accepted;
}

void ErrorDialog::on_pushButton_clicked()
{
    if (!hideCheckBox) {
        MessageSettings::Flags& flags = (*MessageSettings::Instance())[messageId];
        flags.show = !ui->checkNotShow->isChecked();
        flags.changed = true;
        MessageSettings::Instance()->Save();
    }
    close();
}

void ErrorDialog::OnBlinkingTimeout()
{
    blinkToggle = !blinkToggle;
    const bool dark = theme == QLatin1String("dark");
    if (blinkToggle)
        ui->checkNotShow->setStyleSheet(dark ? QStringLiteral("color : yellow") : QStringLiteral("color : green"));
    else
        ui->checkNotShow->setStyleSheet(dark ? QStringLiteral("color : white") : QStringLiteral("color : red"));
}
