#include "selector.h"
#include "ui_selector.h"

#include <QListWidgetItem>
#include <QMouseEvent>
#include <QScroller>

Selector::Selector(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::Selector)
{
    ui->setupUi(this);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui->listWidget->viewport(), QScroller::LeftMouseButtonGesture);
    cancelled = true;
    ui->listWidget->viewport()->installEventFilter(this);
    connect(ui->listWidget, &QListWidget::itemClicked, this, &Selector::onItemClicked);
}

Selector::~Selector()
{
    delete ui;
}

void Selector::AddRow(const QString& text, bool checked)
{
    auto* row = new QListWidgetItem(text, ui->listWidget);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void Selector::SetItems(ColumnVisibility& list, const QString& message, const QString& title)
{
    if (!message.isEmpty())
        ui->labelMessage->setText(message);
    if (!title.isEmpty())
        setWindowTitle(title);
    rowPairs.clear();
    for (int i = 0; i < list.size(); ++i) {
        AddRow(list.at(i).first, list.at(i).second);
        rowPairs.append(i);
    }
    items = &list;
}

void Selector::SetCheckedItems(ColumnVisibility& list)
{
    rowPairs.clear();
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).second) {
            AddRow(list.at(i).first, true);
            rowPairs.append(i);
        }
    }
    items = &list;
}

bool Selector::eventFilter(QObject* watched, QEvent* event)
{
    // Seen before the view handles the press, also on the check box, where the view
    // swallows the press without reporting it.
    if (watched == ui->listWidget->viewport() && event->type() == QEvent::MouseButtonPress) {
        pressedItem = ui->listWidget->itemAt(static_cast<QMouseEvent*>(event)->pos());
        if (pressedItem)
            pressedState = pressedItem->checkState();
    }
    return VorantelDialog::eventFilter(watched, event);
}

void Selector::onItemClicked(QListWidgetItem* item)
{
    // A click anywhere on the row toggles it. A click on the check box itself has
    // already been toggled by the view, and toggling again would undo it.
    const bool toggledByView = item == pressedItem && item->checkState() != pressedState;
    pressedItem = nullptr;
    if (toggledByView)
        return;
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void Selector::on_pushOk_clicked()
{
    // Each row goes back to the pair it was made from; matching by text alone would
    // hand a row's tick to an unlisted pair of the same text.
    if (items) {
        for (int row = 0; row < ui->listWidget->count() && row < rowPairs.size(); ++row) {
            if (rowPairs.at(row) < items->size())
                (*items)[rowPairs.at(row)].second = ui->listWidget->item(row)->checkState() == Qt::Checked;
        }
    }
    cancelled = false;
    close();
}

void Selector::on_pushCancel_clicked()
{
    cancelled = true;
    close();
}
