#include "reportveiwermodelsubitems.h"

ReportVeiwerModelSubItems::ReportVeiwerModelSubItems(QObject* parent)
    : ReportVeiwerModel(parent, true)
{
}
