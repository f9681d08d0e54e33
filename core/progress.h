#pragma once

#include <QDialog>

class QLabel;

// The "Please wait..." busy box shown while the GUI thread works.
class Progress : public QDialog
{
    Q_OBJECT
public:
    explicit Progress(QWidget* parent, const QString& message = QString());

    QString message() const;

public slots:
    void UpdateLayoutP();

private:
    QLabel* label;
};
