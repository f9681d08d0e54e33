#pragma once

#include "reportveiwermodel.h"

// The report table's model when the shop sells sub-items: the sales groupings carry a
// sub-item count after the item count.
class ReportVeiwerModelSubItems : public ReportVeiwerModel
{
    Q_OBJECT
public:
    explicit ReportVeiwerModelSubItems(QObject* parent);
};
