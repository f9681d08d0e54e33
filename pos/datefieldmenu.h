#pragma once

class QContextMenuEvent;
class QDateTimeEdit;

// Shows the context menu of a date field as the field itself would: the same entries in the same order,
// with the same texts, shortcuts, enabled states and effects. The field's own menu is deleted the moment
// it closes, and on X11 the keys already addressed to it are lost with it (a scanner's code after its
// prefix closed the menu); this one deletes itself on close as a line edit's does, so that the prefix can
// keep it alive, hidden, a while longer.
void PopUpDateFieldMenu(QDateTimeEdit* field, const QContextMenuEvent* event);
