#pragma once

class QWidget;

// Switches an edit window between look-only preview (editable = false) and editing, visiting its
// controls in creation order:
//   - line edits (masked ones too) are read-only exactly when not editable;
//   - combo boxes, check boxes and date pickers (QDateTimeEdit, QCalendarWidget, a class whose
//     name ends in "DatePicker", or a widget with the property datePicker = true) are enabled
//     exactly when editable;
//   - command buttons (QPushButton, QToolButton) are visible exactly when editable, except that
//     preview turns "&Anuluj" into a visible "&OK" with the hint "Zamknij", and editing turns
//     "&OK" back into a visible "&Anuluj" with the hint "Anuluj zmiany".
// The inner parts of those controls are left alone. Child windows are not visited.
void SetFormPreview(QWidget* window, bool editable);
