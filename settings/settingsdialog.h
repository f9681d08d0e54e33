#pragma once

#include "voranteldialog.h"

#include <QPointer>
#include <QStringList>

#include <functional>

class GeneralPage;
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
    // Set when a save started a new copy of the program and asked this one to quit; a caller
    // that would rebuild its screen after a save leaves it alone then.
    bool relaunched = false;

    // How the new copy is started and this one ended; tests record the calls instead.
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    std::function<void()> quitProgram;

public slots:
    void ChangePage(QListWidgetItem* current, QListWidgetItem* previous);

private slots:
    void on_pushSave_clicked();
    void on_pushClose_clicked();

private:
    void CreatePages();
    void CreateIcons();
    void Relaunch();

    Ui::SettingsDialog* ui;
    QPointer<GeneralPage> generalPage;
};
