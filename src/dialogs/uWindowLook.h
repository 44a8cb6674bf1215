#pragma once

#include <QColor>
#include <Qt>

class QLabel;
class QString;
class QWidget;

// The look every window of the program shares.
inline const QColor kWindowBackground(192, 192, 208);

// A small fixed tool window: narrow title bar with only a close box.
inline constexpr Qt::WindowFlags kToolWindowFlags = Qt::Tool | Qt::CustomizeWindowHint |
                                                    Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                    Qt::WindowCloseButtonHint;

// The hint of a control: its tool tip, and the status bar's text while the pointer is over it.
void SetHint(QWidget* control, const QString& hint);

// Background RGB 192,192,208 and the system's sans-serif at 8 points.
void ApplyWindowLook(QWidget* window);

// Centres the window on its screen; called from showEvent, before the native window appears,
// so it also wins over QDialog's own placement.
void CentreOnScreen(QWidget* window);

// The grey band across the top of a small window with its white title.
QLabel* AddHeaderBand(QWidget* window, const QString& title, int width, int height);
