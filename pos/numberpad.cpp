#include "numberpad.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QScroller>

NumberPad::NumberPad(QWidget* parent)
    : QDialog(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    for (QPushButton* button : ui.scrollAreaWidgetContents->findChildren<QPushButton*>())
        button->setFocusPolicy(Qt::NoFocus);
}

void NumberPad::closeEvent(QCloseEvent* event)
{
    emit numPadClosed();
    QDialog::closeEvent(event);
}

void NumberPad::TypeKey(int key)
{
    const QString text = QKeySequence(key).toString(QKeySequence::PortableText);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text, false, 1);
    if (QObject* target = QGuiApplication::focusObject())
        QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(), false, 1);
    if (QObject* target = QGuiApplication::focusObject())
        QCoreApplication::sendEvent(target, &release);
}

void NumberPad::on_push0_clicked() { TypeKey(Qt::Key_0); }
void NumberPad::on_push1_clicked() { TypeKey(Qt::Key_1); }
void NumberPad::on_push2_clicked() { TypeKey(Qt::Key_2); }
void NumberPad::on_push3_clicked() { TypeKey(Qt::Key_3); }
void NumberPad::on_push4_clicked() { TypeKey(Qt::Key_4); }
void NumberPad::on_push5_clicked() { TypeKey(Qt::Key_5); }
void NumberPad::on_push6_clicked() { TypeKey(Qt::Key_6); }
void NumberPad::on_push7_clicked() { TypeKey(Qt::Key_7); }
void NumberPad::on_push8_clicked() { TypeKey(Qt::Key_8); }
void NumberPad::on_push9_clicked() { TypeKey(Qt::Key_9); }
void NumberPad::on_pushComma_clicked() { TypeKey(Qt::Key_Comma); }
void NumberPad::on_pushDot_clicked() { TypeKey(Qt::Key_Period); }
void NumberPad::on_pushBack_clicked() { TypeKey(Qt::Key_Backspace); }
void NumberPad::on_pushEnter_clicked() { TypeKey(Qt::Key_Enter); }
