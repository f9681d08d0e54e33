#pragma once

#include "voranteldialog.h"

class QListWidget;
class QListWidgetItem;
class QStackedWidget;

namespace Ui {
class SettingsDialog;
}

// All settings in one modal dialog: a list of pages on the left, the selected page on
// the right. The pages write the settings store themselves; the dialog stores nothing.
class SettingsDialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(QWidget* parent = nullptr);
    ~SettingsDialog() override;

    // The page list; a caller may select the row to open at before exec().
    QListWidget* contentWidget() const;
    // The pages, in list order.
    QStackedWidget* pagesWidget() const;

    // Save and Close both end in close(), so exec() cannot tell them apart: this can.
    bool saved = false;

public slots:
    void ChangePage(QListWidgetItem* current, QListWidgetItem* previous);

private slots:
    void on_pushSave_clicked();
    void on_pushClose_clicked();

private:
    void CreatePages();
    void CreateIcons();

    Ui::SettingsDialog* ui;
};
