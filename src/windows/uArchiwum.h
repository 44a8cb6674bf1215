#pragma once

#include "archive/uFileOperations.h"

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeView;
class TDateEdit;
class TDatePicker;
class TFileOperation;

// The archive window: dated copies of the two tables in directories of the user's choice, their
// description, deletion, and the restore of the data from one. Opened modally from the main
// window, which re-runs its views after it closes.
class TfArchiwum : public QDialog
{
    Q_OBJECT
public:
    explicit TfArchiwum(QWidget* parent = nullptr);

    // The directory selected in aDir, without a trailing separator (the root stays "/").
    QString SelectedDirectory() const;
    // Makes aDir select the directory (which runs RefreshFound); false when it cannot be shown.
    bool SelectDirectory(const QString& path);

    // Fills the group " Znalezione archiwum " from the selected directory.
    void RefreshFound();

    TFileOperations fileOperations;
    TFileOperation* deleteFileOP = nullptr;

    // Controls, named as the program names them.
    QTreeView* aDir = nullptr;
    QComboBox* aDrive = nullptr;
    QPushButton* SpeedButton6 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* oNazwa = nullptr;
    TDateEdit* oData = nullptr;
    TDatePicker* oDTPdata = nullptr;
    QPushButton* zapisz = nullptr;
    QPushButton* usun = nullptr;
    QPushButton* odtworz = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* nNazwa = nullptr;
    TDateEdit* nData = nullptr;
    TDatePicker* nDTPdata = nullptr;
    QPushButton* stworz = nullptr;
    QPushButton* SpeedButton2 = nullptr;

    // The text of a masked date field with its unfilled places as blanks, so an untouched field
    // reads as EmptyDateText.

public Q_SLOTS:
    void aDirChange();
    void SpeedButton6Click();
    void stworzClick();
    void zapiszClick();
    void usunClick();
    void odtworzClick();
    void SpeedButton2Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    TDateEdit* addDateField(QGroupBox* group, const char* name, const char* picker, int top,
                            TDatePicker*& pickerOut);
    QLineEdit* addNameField(QGroupBox* group, const char* name, int top);
    void fillDrives();
    void followDrive(const QString& directory);
    void aDriveChange(int index);
    // The message on the live data directory, shown when it is selected; true when refused.
    bool refuseDataDirectory();
    // Asks before an archive or other files under the names of its set in dir are replaced;
    // true to go on.
    bool askToReplace(const QString& dir);
    // The date message with the focus to the field; true when the text is refused.
    bool refuseDate(TDateEdit* field);

    QFileSystemModel* m_model = nullptr;
    QTimer* m_scroll = nullptr;
    bool m_scrollPending = false;
};
