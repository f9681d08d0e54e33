#pragma once

#include <QDialog>

#include "ui_numberpad.h"

// On-screen number pad for touch screens: types into whatever widget holds the keyboard focus,
// never taking the focus itself.
class NumberPad : public QDialog
{
    Q_OBJECT
public:
    explicit NumberPad(QWidget* parent);

signals:
    void numPadClosed();

private slots:
    void on_push0_clicked();
    void on_push1_clicked();
    void on_push2_clicked();
    void on_push3_clicked();
    void on_push4_clicked();
    void on_push5_clicked();
    void on_push6_clicked();
    void on_push7_clicked();
    void on_push8_clicked();
    void on_push9_clicked();
    void on_pushComma_clicked();
    void on_pushDot_clicked();
    void on_pushBack_clicked();
    void on_pushEnter_clicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static void TypeKey(int key);

    Ui::NumberPad ui;
};
