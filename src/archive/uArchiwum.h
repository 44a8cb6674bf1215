#pragma once

#include <QDialog>

// The archive window (its commands come with the archive work).
class TfArchiwum : public QDialog
{
    Q_OBJECT
public:
    explicit TfArchiwum(QWidget* parent = nullptr);
};
