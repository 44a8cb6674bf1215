#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Common body of the three message windows: their look (background RGB 192,192,208, sans-serif
// 8 pt, fixed client size, a tool window with a close box, centred on the screen when shown),
// the picture Image1, the message label napis1, flat command buttons, and a key preview that
// gives the window Enter and Escape before any of its controls sees them.
class TdialogForm : public QDialog
{
    Q_OBJECT

public:
    QLabel* Image1 = nullptr;
    QLabel* napis1 = nullptr;

protected:
    TdialogForm(const QString& className, const QString& caption, QSize clientSize,
                const QPixmap& picture, QPoint picturePos, QRect labelArea,
                QWidget* parent = nullptr);

    // A flat button that never takes the focus, so that Enter and Space cannot press it; its
    // caption's & letter is its Alt accelerator.
    QPushButton* addButton(const QString& name, const QString& caption, const QIcon& glyph,
                           QPoint pos);
    void setTitleAndMessage(const QString& title, const QString& message);
    // Call once every control exists: Enter and Escape pressed in any of them reach windowKey.
    void previewKeys();
    // Enter (as Qt::Key_Return) or Escape pressed in target; both are consumed either way.
    virtual void windowKey(QObject* target, int key) = 0;

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
