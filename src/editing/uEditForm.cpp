#include "editing/uEditForm.h"
#include "dialogs/uWindowLook.h"

#include "dialogs/uDialogPictures.h"
#include "dialogs/uInfoForm.h"
#include "data/uNumberText.h"

#include <algorithm>

#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// The limit addField gave a field, kept while a longer stored text raises the field's own.
const char kTypingLimit[] = "typingLimit";

// Labels from 6 to 95, fields from 104, a row every 22 pixels.
const int labelLeft = 6;
const int labelWidth = 89;
const int labelGap = 9;
const int fieldHeight = 21;
const int rowGap = 1;
const int areaTop = 8;
const int barHeight = 41;
const int buttonHeight = 25;

} // namespace

TEditForm::TEditForm(const QString& className, const QString& caption, QSize clientSize,
                     QWidget* parent)
    : QDialog(parent)
{
    setObjectName(className);
    setWindowTitle(caption);
    setModal(true);
    resize(clientSize);

    ApplyWindowLook(this);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* scroll = new QScrollArea(panel);
    scroll->setObjectName(QStringLiteral("ScrollBox1"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // Tab walks the fields; the box itself is never a stop.
    scroll->setFocusPolicy(Qt::NoFocus);
    m_fieldArea = new QWidget;
    m_fieldArea->setObjectName(QStringLiteral("fieldArea"));
    m_rows = new QGridLayout(m_fieldArea);
    m_rows->setContentsMargins(labelLeft, areaTop, 8, 8);
    m_rows->setHorizontalSpacing(labelGap);
    m_rows->setVerticalSpacing(rowGap);
    // A longer label (in a wider font) pushes the field column to the right instead of being cut.
    m_rows->setColumnMinimumWidth(0, labelWidth);
    // The rows stay at the top left when the window grows.
    m_rows->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    scroll->setWidget(m_fieldArea);
    scroll->viewport()->setAutoFillBackground(false);
    m_fieldArea->setAutoFillBackground(false);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(scroll);

    auto* bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("Panel2"));
    bar->setFixedHeight(barHeight);
    bar->setAutoFillBackground(true);
    QPalette grey = bar->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    grey.setColor(QPalette::ButtonText, Qt::white);
    grey.setColor(QPalette::WindowText, Qt::white);
    bar->setPalette(grey);
    auto makeButton = [bar](const QString& name, const QString& text, const QIcon& glyph, int width,
                            const QString& hint) {
        auto* button = new QPushButton(glyph, text, bar);
        button->setObjectName(name);
        button->setFixedSize(width, buttonHeight);
        button->setFlat(true);
        // The keys stay in the fields, whose handlers decide what Enter and Escape do.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        SetHint(button, hint);
        return button;
    };
    SpeedButton4 = makeButton(QStringLiteral("SpeedButton4"), QStringLiteral("&Zapisz"), OkGlyph(),
                              65, QStringLiteral("Zapisz zmiany"));
    SpeedButton6 = makeButton(QStringLiteral("SpeedButton6"), QStringLiteral("&Anuluj"),
                              CancelGlyph(), 73, QStringLiteral("Anuluj zmiany"));
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(8, 0, 10, 0);
    barLayout->setSpacing(4);
    barLayout->addStretch();
    barLayout->addWidget(SpeedButton4);
    barLayout->addWidget(SpeedButton6);
    connect(SpeedButton4, &QPushButton::clicked, this, [this] { SpeedButton4Click(); });
    connect(SpeedButton6, &QPushButton::clicked, this, &TEditForm::SpeedButton6Click);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel, 1);
    layout->addWidget(bar);
}

QLineEdit* TEditForm::addField(const QString& name, const QString& label, int width, int maxLength,
                               QLineEdit* field)
{
    // An empty grid already counts one row.
    const int row = m_lastField ? m_rows->rowCount() : 0;
    auto* caption = new QLabel(label, m_fieldArea);
    caption->setObjectName(QStringLiteral("Label") + name.mid(1));
    caption->setTextFormat(Qt::PlainText);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->setFixedHeight(fieldHeight);
    m_rows->addWidget(caption, row, 0);

    if (!field)
        field = new QLineEdit(m_fieldArea);
    field->setParent(m_fieldArea);
    field->setObjectName(name);
    // The label names the field for screen readers and in the window's messages.
    field->setAccessibleName(label);
    if (maxLength > 0)
        field->setMaxLength(maxLength);
    field->setProperty(kTypingLimit, maxLength);
    field->setFixedSize(width, fieldHeight);
    field->installEventFilter(this);
    if (m_lastField)
        setTabOrder(m_lastField, field);
    m_lastField = field;

    m_lastRow = new QHBoxLayout;
    m_lastRow->setSpacing(0);
    m_lastRow->addWidget(field);
    m_lastRow->addStretch();
    m_rows->addLayout(m_lastRow, row, 1);
    return field;
}

void TEditForm::addBeside(QWidget* control, int gap)
{
    // Before the trailing stretch.
    const int at = m_lastRow->count() - 1;
    m_lastRow->insertSpacing(at, gap);
    m_lastRow->insertWidget(at + 1, control);
}

QLabel* TEditForm::addCaption(const QString& name, const QString& text, const QColor& colour,
                              int gap)
{
    auto* caption = new QLabel(text, m_fieldArea);
    caption->setObjectName(name);
    caption->setTextFormat(Qt::PlainText);
    caption->setFixedHeight(fieldHeight);
    QPalette p = caption->palette();
    p.setColor(QPalette::WindowText, colour);
    caption->setPalette(p);
    addBeside(caption, gap);
    return caption;
}

void TEditForm::SpeedButton6Click()
{
    reject();
}

void TEditForm::closeSaved()
{
    saved = true;
    accept();
}

bool TEditForm::fieldKey(QLineEdit*, QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        SpeedButton4Click();
        return true;
    case Qt::Key_Escape:
        SpeedButton6Click();
        return true;
    default:
        return false;
    }
}

void TEditForm::fieldLeft(QLineEdit*) {}

void TEditForm::showStored(QLineEdit* field, const QString& text)
{
    const int limit = field->property(kTypingLimit).toInt();
    // A masked field's length is its mask's.
    if (limit > 0 && field->inputMask().isEmpty())
        field->setMaxLength(std::max(limit, int(text.size())));
    // clear() also puts a masked field's cursor at its start, ready for typing.
    if (text.isEmpty()) {
        field->clear();
    } else {
        field->setText(text);
        field->setCursorPosition(0); // a long text shows its beginning
    }
}

void TEditForm::focusSelected(QLineEdit* field)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

bool TEditForm::checkIdField(QLineEdit* field)
{
    if (field->isReadOnly() || ParseIdText(field->text()))
        return true;
    refuseField(field, QStringLiteral("Pole „%1” musi zawierać numer: liczbę całkowitą "
                                      "większą od zera, najwyżej 18 cyfr.")
                           .arg(field->accessibleName()));
    return false;
}

bool TEditForm::checkHundredthsField(QLineEdit* field, const QString& what, const QString& example)
{
    if (field->isReadOnly() || field->text().trimmed().isEmpty() ||
        ParseHundredthsText(field->text()))
        return true;
    refuseField(field, QStringLiteral("Pole „%1” nie zawiera poprawnej %2. Wpisz ją cyframi, "
                                      "najwyżej z dwoma miejscami po przecinku, np. %3.")
                           .arg(field->accessibleName(), what, example));
    return false;
}

void TEditForm::refuseField(QLineEdit* field, const QString& message)
{
    ShowInfo(QStringLiteral("Uwaga"), message);
    // After the message, which hands the focus back to where it was.
    focusSelected(field);
}

void TEditForm::showEvent(QShowEvent* event)
{
    // Not when the window merely comes back from being minimised.
    if (!event->spontaneous())
        FormShow();
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

bool TEditForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && field->parentWidget() == m_fieldArea) {
        if (event->type() == QEvent::KeyPress)
            return fieldKey(field, static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::FocusOut) {
            // Only a move to another control is a leaving; the window losing the focus to a
            // message or another program is not.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                fieldLeft(field);
        }
    }
    return QDialog::eventFilter(watched, event);
}
