#pragma once

#include "voranteldialog.h"

namespace Ui {
class Backupdialog;
}

// Saves the active inventory and sales databases as two SQL files through the
// server's dump program; the program and the folder are remembered for next time.
class Backupdialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit Backupdialog(QWidget* parent = nullptr);
    ~Backupdialog() override;

private slots:
    void on_pushSelectExe_clicked();
    void on_pushButtonSelect_clicked();
    void on_pushButtonBackup_clicked();
    void on_pushButtonClose_clicked();

private:
    Ui::Backupdialog* ui;
};
