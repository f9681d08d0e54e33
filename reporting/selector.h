#pragma once

#include "appsettings.h"
#include "voranteldialog.h"

class QListWidgetItem;

namespace Ui {
class Selector;
}

// Check-box list over a (text, flag) list that the caller owns. The flags are
// written back only on OK; the caller reads `cancelled` after exec().
class Selector : public VorantelDialog
{
    Q_OBJECT
public:
    explicit Selector(QWidget* parent);
    ~Selector() override;

    void SetItems(ColumnVisibility& items, const QString& message, const QString& title);
    void SetCheckedItems(ColumnVisibility& items);

    bool cancelled = true;

public slots:
    void onItemClicked(QListWidgetItem* item);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void on_pushOk_clicked();
    void on_pushCancel_clicked();

private:
    void AddRow(const QString& text, bool checked);

    Ui::Selector* ui;
    ColumnVisibility* items = nullptr;
    QVector<int> rowPairs; // index in `items` of the pair each list row shows
    QListWidgetItem* pressedItem = nullptr;
    Qt::CheckState pressedState = Qt::Unchecked;
};
