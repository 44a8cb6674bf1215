#include "dialogs/uDialogForm.h"
#include "dialogs/uWindowLook.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {
const QSize buttonSize(89, 30);
}

TdialogForm::TdialogForm(const QString& className, const QString& caption, QSize clientSize,
                         const QPixmap& picture, QPoint picturePos, QRect labelArea,
                         QWidget* parent)
    : QDialog(parent, kToolWindowFlags)
{
    setObjectName(className);
    setWindowTitle(caption);
    setModal(true);
    setFixedSize(clientSize);
    setSizeGripEnabled(false);

    ApplyWindowLook(this);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(QRect(picturePos, QSize(31, 31)));
    Image1->setPixmap(picture);

    napis1 = new QLabel(this);
    napis1->setObjectName(QStringLiteral("napis1"));
    napis1->setGeometry(labelArea);
    napis1->setWordWrap(true);
    napis1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    napis1->setTextFormat(Qt::PlainText);
}

QPushButton* TdialogForm::addButton(const QString& name, const QString& caption, const QIcon& glyph,
                                    QPoint pos)
{
    auto* button = new QPushButton(glyph, caption, this);
    button->setObjectName(name);
    button->setGeometry(QRect(pos, buttonSize));
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}

void TdialogForm::setTitleAndMessage(const QString& title, const QString& message)
{
    setWindowTitle(title);
    napis1->setText(message);
    // Centred vertically like a short message would push the first lines above the label's top;
    // a message that does not fit starts at the top and is cut at the bottom edge instead.
    const bool overflows = napis1->heightForWidth(napis1->width()) > napis1->height();
    napis1->setAlignment(Qt::AlignLeft | (overflows ? Qt::AlignTop : Qt::AlignVCenter));
}

void TdialogForm::previewKeys()
{
    installEventFilter(this);
    const QList<QWidget*> controls = findChildren<QWidget*>();
    for (QWidget* control : controls)
        control->installEventFilter(this);
}

void TdialogForm::showEvent(QShowEvent* event)
{
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

bool TdialogForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Consumed even when the window does nothing with them, so that QDialog's own handling
        // never presses a button on Enter.
        if (key == Qt::Key_Escape) {
            windowKey(watched, Qt::Key_Escape);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            windowKey(watched, Qt::Key_Return);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
