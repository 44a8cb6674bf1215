#include "output/uRaporty.h"

#include "app/uApplication.h"
#include "app/uDBGrid.h"
#include "app/uMain.h"
#include "app/uWindows.h"
#include "data/Clock.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "data/uNumberText.h"
#include "dbengine/EDBEngineError.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uProgressWindow.h"
#include "output/uReportParams.h"
#include "report/ReportError.h"
#include "report/ReportPreview.h"

#include <QComboBox>
#include <QHash>
#include <QLineEdit>

namespace {

// Variables answered from the register grid: the column whose field's text is the value.
const QHash<QString, int>& registerColumns()
{
    static const QHash<QString, int> columns{
        {QStringLiteral("ID"), 0},         {QStringLiteral("DATAWPISU"), 1},
        {QStringLiteral("DATADOK"), 2},    {QStringLiteral("NRDOK"), 3},
        {QStringLiteral("IMIE"), 4},       {QStringLiteral("NAZWISKO"), 5},
        {QStringLiteral("NIP"), 6},        {QStringLiteral("ADRES"), 7},
        {QStringLiteral("KODPOCZT"), 8},   {QStringLiteral("MIEJSCOWOSC"), 9},
        {QStringLiteral("NALEZNOSC"), 10}, {QStringLiteral("STAWKA"), 11},
        {QStringLiteral("WARTOSC"), 12},   {QStringLiteral("DATAZAPLATY"), 13},
        {QStringLiteral("UWAGI"), 14},
    };
    return columns;
}

constexpr int kNaleznoscColumn = 10;
constexpr int kWartoscColumn = 12;

// Adds a figure as printed: exactly in grosze, or, for a text beyond the typed range, as the
// number it shows. A text that is no number adds nothing.
void addPrinted(GroszeTotal& total, const QString& text)
{
    if (const auto grosze = ParseHundredthsText(text)) {
        total.addGrosze(*grosze);
        return;
    }
    QString t = text.trimmed();
    const QChar separator = Regional().decimalSeparator;
    if (separator != u'.' && t.contains(u'.'))
        return;
    t.replace(separator, u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (ok && !t.isEmpty())
        total.addValue(v);
}

// The grid does not follow every row the report reads; it is told the final row once.
class HeldNotifications
{
public:
    explicit HeldNotifications(Query& view) : m_view(view) { m_view.disableControls(); }
    ~HeldNotifications() { m_view.enableControls(); }
    HeldNotifications(const HeldNotifications&) = delete;
    HeldNotifications& operator=(const HeldNotifications&) = delete;

private:
    Query& m_view;
};

} // namespace

TDMRaporty::TDMRaporty(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DMRaporty"));
    frUserDataset2.OnFirst = [this] { frUserDataset2First(); };
    frUserDataset2.OnNext = [this] { frUserDataset2Next(); };
    frUserDataset2.OnCheckEOF = [this](bool& eof) { frUserDataset2CheckEOF(eof); };
    // One count of the view tells the progress how far the report has got.
    frUserDataset2.OnCount = [] { return qint64(myDataBase->DBFRejestr.countRows()); };
    frReport2.title = QStringLiteral("Rejestr TARV");
    frReport2.dataset = &frUserDataset2;
    frReport2.onGetValue = [this](const QString& name, QString& value) {
        frReport2GetValue(name, value);
    };
}

void TDMRaporty::SBRaportClick()
{
    fReportParams->fDATA->setText(Now().date().toString(DateDisplayFormat));
    fReportParams->fMIEJSCOWOSC->setText(taxpayerText(QStringLiteral("MIEJSCOWOSC")));
    fReportParams->exec();

    try {
        frReport2.loadFromFile(ProgramPath(QStringLiteral("rejestr.frf")));
        HeldNotifications held(myDataBase->DBFRejestr);
        // The parameters window cannot stop the report: this window's "Anuluj" can.
        TProgressWindow progress(fMain, QStringLiteral("Raport"));
        frReport2.prepareReport(&progress);
        if (progress.cancelled()) {
            frReport2.releasePages();
            return;
        }
    } catch (const EReportError& e) {
        TApplication::ApplicationException(e.message());
        return;
    } catch (const EDBEngineError& e) {
        TApplication::ApplicationException(e);
        return;
    } catch (const std::exception& e) {
        TApplication::ApplicationException(QString::fromUtf8(e.what()));
        return;
    }
    {
        TReportPreview preview(frReport2.preparedPages(), fMain);
        preview.exec();
    }
    frReport2.releasePages();
}

void TDMRaporty::frUserDataset2First()
{
    pageNumber = 1;
    m_fields.clear();
    amountSum = {};
    valueSum = {};
    myDataBase->DBFRejestr.first();
}

void TDMRaporty::frUserDataset2Next()
{
    myDataBase->DBFRejestr.next();
}

void TDMRaporty::frUserDataset2CheckEOF(bool& Eof)
{
    Eof = myDataBase->DBFRejestr.eof();
}

QString TDMRaporty::registerText(int column) const
{
    const TDBGrid* grid = fMain->RejestrGrid;
    const Query* view = grid->view();
    // Asked for once per cell of every row: the column's field is looked up once per report.
    if (m_fields.size() <= column)
        m_fields.resize(column + 1, -1);
    if (m_fields[column] < 0)
        m_fields[column] = view->field(grid->viewModel()->columns().at(column).field);
    return view->cursor() >= 0 ? view->textAt(view->cursor(), m_fields[column]) : QString();
}

QString TDMRaporty::taxpayerText(const QString& field)
{
    try {
        return myDataBase ? myDataBase->DBFKontrahenci.asText(field) : QString();
    } catch (...) {
        return QString();
    }
}

void TDMRaporty::frReport2GetValue(const QString& ParName, QString& ParValue)
{
    const auto column = registerColumns().constFind(ParName);
    if (column != registerColumns().cend()) {
        ParValue = registerText(*column);
        if (*column == kWartoscColumn)
            addPrinted(valueSum, ParValue);
        else if (*column == kNaleznoscColumn)
            addPrinted(amountSum, ParValue);
    } else if (ParName == QLatin1String("SWARTOSC")) {
        ParValue = valueSum.text();
    } else if (ParName == QLatin1String("SNALEZNOSC")) {
        ParValue = amountSum.text();
    } else if (ParName == QLatin1String("DATAWYDRUKU")) {
        ParValue = fReportParams->DateText();
    } else if (ParName == QLatin1String("KMIEJSCOWOSC")) {
        ParValue = fReportParams->fMIEJSCOWOSC->text();
    } else if (ParName == QLatin1String("OKRES")) {
        ParValue = PeriodText();
    } else if (ParName == QLatin1String("KNIP")) {
        ParValue = taxpayerText(QStringLiteral("NIP"));
    } else if (ParName == QLatin1String("KNAZWA")) {
        ParValue = taxpayerText(QStringLiteral("NAZWA"));
    } else if (ParName == QLatin1String("KADRES")) {
        try {
            const Query& k = myDataBase->DBFKontrahenci;
            ParValue = k.asText(QStringLiteral("ADRES")) + u' ' +
                       k.asText(QStringLiteral("KODPOCZT")) + u' ' +
                       k.asText(QStringLiteral("MIEJSCOWOSC"));
        } catch (...) {
            ParValue.clear();
        }
    } else if (ParName == QLatin1String("STRONA")) {
        ParValue = QString::number(pageNumber);
    } else {
        ParValue.clear();
    }
}

QString TDMRaporty::PeriodText() const
{
    if (fMain->DateRangeActive())
        return QStringLiteral("od ") + fMain->filtrOd->dateText() + QStringLiteral(" do ") +
               fMain->filtrDo->dateText();
    QString period;
    if (fMain->CBCurrentMonth->currentIndex() > 0)
        period = fMain->CBCurrentMonth->currentText() + u' ';
    return period + fMain->CBcurrentYear->currentText();
}
