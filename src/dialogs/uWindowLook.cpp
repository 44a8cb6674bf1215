#include "dialogs/uWindowLook.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QScreen>
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

void CentreOnScreen(QWidget* window)
{
    if (QScreen* shown = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(shown->geometry().center());
        window->move(frame.topLeft());
    }
}

QLabel* AddHeaderBand(QWidget* window, const QString& title, int width, int height)
{
    auto* header = new QLabel(title, window);
    header->setObjectName(QStringLiteral("Header"));
    header->setGeometry(0, 0, width, height);
    header->setIndent(12);
    header->setAutoFillBackground(true);
    QPalette band = header->palette();
    band.setColor(QPalette::Window, QColor(128, 128, 140));
    band.setColor(QPalette::WindowText, Qt::white);
    header->setPalette(band);
    QFont font = window->font();
    font.setPointSize(12);
    font.setBold(true);
    header->setFont(font);
    return header;
}

void SetHint(QWidget* control, const QString& hint)
{
    control->setToolTip(hint);
    control->setStatusTip(hint);
}
