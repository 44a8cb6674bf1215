#pragma once

#include <QDialog>

class QGridLayout;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// The frame shared by the taxpayer and the register entry window: background RGB 192,192,208,
// sans-serif 8 pt, centred on the screen; a lowered field area holding a label column (left 6,
// at least 89 wide, right-aligned) and a field column (left 104 unless a label needs more), one
// row every 22 pixels, inside a borderless scroll box; a grey button bar 41 pixels high with
// "&Zapisz" and "&Anuluj" near its right edge. Every field passes its keys and its leaving
// through fieldKey and fieldLeft.
class TEditForm : public QDialog
{
    Q_OBJECT

public:
    // No when the window opens; yes only when it closed through "&Zapisz" or Enter.
    bool saved = false;

    QPushButton* SpeedButton4 = nullptr; // "&Zapisz"
    QPushButton* SpeedButton6 = nullptr; // "&Anuluj"

    // What "&Zapisz" and Enter do: the window's checks and normalisation, then closeSaved().
    virtual void SpeedButton4Click() = 0;
    // Closes; saved stays no.
    void SpeedButton6Click();

protected:
    TEditForm(const QString& className, const QString& caption, QSize clientSize,
              QWidget* parent = nullptr);

    // Appends a row: a right-aligned label and a single-line field of the given width; the
    // field joins the tab order after the fields before it. maxLength 0 means no limit.
    QLineEdit* addField(const QString& name, const QString& label, int width, int maxLength,
                        QLineEdit* field = nullptr);
    // Appends a control to the right of the last row's field, gap pixels after what is there.
    void addBeside(QWidget* control, int gap);
    // Appends a caption in the given colour to the last row.
    QLabel* addCaption(const QString& name, const QString& text, const QColor& colour, int gap);
    // The surface the rows stand on, as parent of the controls given to addBeside.
    QWidget* fieldArea() const { return m_fieldArea; }

    // saved = yes, close.
    void closeSaved();

    // Run on every showing.
    virtual void FormShow() = 0;
    // A key pressed in one of the fields; answers whether it was consumed. The default is the
    // fields' common key handling: Enter saves, Escape cancels.
    virtual bool fieldKey(QLineEdit* field, QKeyEvent* event);
    // The focus left a field for another control of this window.
    virtual void fieldLeft(QLineEdit* field);
    // Focus to the field with its whole text selected.
    static void focusSelected(QLineEdit* field);
    // Whether an editable field's text is the number of an entry or taxpayer; if not, says so
    // under "Uwaga", naming the field by its label, and hands the field the focus.
    bool checkIdField(QLineEdit* field);
    // The same for an amount or a rate; an empty field is zero.
    bool checkHundredthsField(QLineEdit* field, const QString& what, const QString& example);
    // Shows the message under "Uwaga", then gives the field the focus with its text selected.
    static void refuseField(QLineEdit* field, const QString& message);
    // Puts a stored text into a field whole. The field's limit only stops typing: a table
    // brought in from elsewhere may hold longer texts, and cutting them here would save them cut.
    static void showStored(QLineEdit* field, const QString& text);

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_fieldArea = nullptr;
    QGridLayout* m_rows = nullptr;
    QHBoxLayout* m_lastRow = nullptr;
    QLineEdit* m_lastField = nullptr;
};
