#include "windows/uReportParams.h"
#include "dialogs/uWindowLook.h"

#include "data/Clock.h"
#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uDatePicker.h"
#include "dialogs/uDialogPictures.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

const QSize kClientSize(300, 150);
const int kHeaderHeight = 34;

} // namespace

TfReportParams::TfReportParams(QWidget* parent) : QDialog(parent, kToolWindowFlags)
{
    setObjectName(QStringLiteral("TfReportParams"));
    setWindowTitle(QStringLiteral("Rejestr TARV 1.0 PL+"));
    setModal(true);
    setFixedSize(kClientSize);
    setSizeGripEnabled(false);

    ApplyWindowLook(this);

    Header = AddHeaderBand(this, QStringLiteral("Ustal parametry raportu"), kClientSize.width(),
                           kHeaderHeight);

    const auto label = [this](const char* name, const QString& text, QRect area) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(area);
        return l;
    };
    Label2 = label("Label2", QStringLiteral("Data raportu"), QRect(16, 52, 84, 16));
    fDATA = new TDateEdit(this);
    fDATA->setObjectName(QStringLiteral("fDATA"));
    fDATA->setGeometry(104, 49, 78, 21);
    SetHint(fDATA, QStringLiteral("Data raportu"));
    fDTPDATA = new TDatePicker(this);
    fDTPDATA->setObjectName(QStringLiteral("fDTPDATA"));
    fDTPDATA->setGeometry(182, 49, 18, 21);
    fDTPDATA->setFocusPolicy(Qt::NoFocus);
    fDATA->attachPicker(fDTPDATA);
    Label15 = label("Label15", DateHintText(), QRect(206, 52, 80, 16));
    QPalette grey = Label15->palette();
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    Label15->setPalette(grey);

    Label1 = label("Label1", QStringLiteral("Miejscowość"), QRect(16, 82, 84, 16));
    fMIEJSCOWOSC = new QLineEdit(this);
    fMIEJSCOWOSC->setObjectName(QStringLiteral("fMIEJSCOWOSC"));
    fMIEJSCOWOSC->setGeometry(104, 79, 180, 21);
    SetHint(fMIEJSCOWOSC, QStringLiteral("Miejscowość"));

    SpeedButton2 = new QPushButton(OkGlyph(), QStringLiteral("&OK"), this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setGeometry(kClientSize.width() - 89 - 16, 112, 89, 30);
    SpeedButton2->setFlat(true);
    // Keys stay in the edits, whose handler closes the window on Enter and Escape.
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    SpeedButton2->setAutoDefault(false);
    SetHint(SpeedButton2, QStringLiteral("Ok"));

    setTabOrder(fDATA, fMIEJSCOWOSC);
    fDATA->installEventFilter(this);
    fMIEJSCOWOSC->installEventFilter(this);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfReportParams::SpeedButton2Click);
}

QString TfReportParams::DateText() const
{
    return fDATA->dateText();
}

void TfReportParams::FormShow()
{
    fDTPDATA->setDate(Now().date());
    fDATA->setFocus();
}

void TfReportParams::SpeedButton2Click()
{
    accept();
}

void TfReportParams::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

bool TfReportParams::eventFilter(QObject* watched, QEvent* event)
{
    // fDATAKeyPress, shared by both edits: Enter and Escape close the window, neither cancels.
    if ((watched == fDATA || watched == fMIEJSCOWOSC) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
