#include "datefieldmenu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QMenu>

namespace {

// The field's editor and the steps it allows now are protected: reached through a derived class's
// public using-declarations.
struct SpinBoxParts : QAbstractSpinBox
{
    using QAbstractSpinBox::lineEdit;
    using QAbstractSpinBox::stepEnabled;
};

} // namespace

void PopUpDateFieldMenu(QDateTimeEdit* field, const QContextMenuEvent* event)
{
    QLineEdit* edit = (field->*&SpinBoxParts::lineEdit)();
    QMenu* menu = edit->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);

    // The field's Select All takes the place of its editor's.
    QAction* editSelectAll = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr("Select All"))
            editSelectAll = action;
    auto* selectAll = new QAction(QAbstractSpinBox::tr("&Select All"), menu);
    selectAll->setShortcut(QKeySequence::SelectAll);
    QObject::connect(selectAll, &QAction::triggered, field, &QAbstractSpinBox::selectAll);
    menu->insertAction(editSelectAll, selectAll);
    menu->removeAction(editSelectAll);

    menu->addSeparator();
    const QAbstractSpinBox::StepEnabled steps = (field->*&SpinBoxParts::stepEnabled)();
    QAction* up = menu->addAction(QAbstractSpinBox::tr("&Step up"));
    up->setEnabled(steps & QAbstractSpinBox::StepUpEnabled);
    QObject::connect(up, &QAction::triggered, field, [field] { field->stepBy(1); });
    QAction* down = menu->addAction(QAbstractSpinBox::tr("Step &down"));
    down->setEnabled(steps & QAbstractSpinBox::StepDownEnabled);
    QObject::connect(down, &QAction::triggered, field, [field] { field->stepBy(-1); });
    menu->addSeparator();

    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : field->mapToGlobal(QPoint(event->pos().x(), 0))
                                + QPoint(field->width() / 2, field->height() / 2);
    menu->popup(at);
}
