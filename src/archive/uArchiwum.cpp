#include "archive/uArchiwum.h"

TfArchiwum::TfArchiwum(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfArchiwum"));
    setWindowTitle(QStringLiteral("Praca z Archiwum"));
}
