#pragma once

#include <functional>

class QDialog;
class QWidget;

// Dialogs that the stock dialog opens but that belong to libraries built on this one: the
// vendors dialog of purchasing, which itself uses the product pickers here. The shell sets it
// when the main window is built; while it is not set the vendors button is disabled.
struct InventoryDialogs
{
    using Factory = std::function<QDialog*(QWidget* parent)>;
    static Factory vendors;
};
