#include "dialogs/uWindowLook.h"

#include <QFont>
#include <QPalette>
#include <QWidget>

void ApplyWindowLook(QWidget* window)
{
    QPalette colours = window->palette();
    colours.setColor(QPalette::Window, kWindowBackground);
    window->setPalette(colours);
    window->setAutoFillBackground(true);
    QFont font(QStringLiteral("Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    window->setFont(font);
}
