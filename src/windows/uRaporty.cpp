#include "windows/uRaporty.h"

#include "data/Clock.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "data/uNumberText.h"
#include "dbengine/EDBEngineError.h"
#include "dialogs/uDateEdit.h"
#include "dialogs/uProgressWindow.h"
#include "report/ReportError.h"
#include "windows/ReportPreview.h"
#include "windows/uReportParams.h"

#include <QHash>
#include <QLineEdit>
#include <QSet>

namespace {

// Variables answered from the register grid: the column whose field's text is the value.
// The template's register variables: the view's fields of the same names.
const QSet<QString>& registerFields()
{
    static const QSet<QString> fields{
        QStringLiteral("ID"),          QStringLiteral("DATAWPISU"),   QStringLiteral("DATADOK"),
        QStringLiteral("NRDOK"),       QStringLiteral("IMIE"),        QStringLiteral("NAZWISKO"),
        QStringLiteral("NIP"),         QStringLiteral("ADRES"),       QStringLiteral("KODPOCZT"),
        QStringLiteral("MIEJSCOWOSC"), QStringLiteral("NALEZNOSC"),   QStringLiteral("STAWKA"),
        QStringLiteral("WARTOSC"),     QStringLiteral("DATAZAPLATY"), QStringLiteral("UWAGI"),
    };
    return fields;
}

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

TDMRaporty::TDMRaporty(TfReportParams* params, QWidget* window, QObject* parent)
    : QObject(parent), m_params(params), m_window(window)
{
    setObjectName(QStringLiteral("DMRaporty"));
    frUserDataset2.OnFirst = [this] { frUserDataset2First(); };
    frUserDataset2.OnNext = [this] { frUserDataset2Next(); };
    frUserDataset2.OnCheckEOF = [this](bool& eof) { frUserDataset2CheckEOF(eof); };
    // One count of the view tells the progress how far the report has got.
    frUserDataset2.OnCount = [this] {
        return m_criteria.view ? qint64(m_criteria.view->countRows()) : 0;
    };
    frReport2.title = QStringLiteral("Rejestr TARV");
    frReport2.dataset = &frUserDataset2;
    frReport2.onGetValue = [this](const QString& name, QString& value) {
        frReport2GetValue(name, value);
    };
}

void TDMRaporty::SBRaportClick(const ReportCriteria& criteria)
{
    m_criteria = criteria;
    m_params->fDATA->setText(Now().date().toString(DateDisplayFormat));
    m_params->fMIEJSCOWOSC->setText(taxpayerText(QStringLiteral("MIEJSCOWOSC")));
    m_params->exec();

    try {
        frReport2.loadFromFile(ProgramPath(QStringLiteral("rejestr.frf")));
        HeldNotifications held(*m_criteria.view);
        // The parameters window cannot stop the report: this window's "Anuluj" can.
        TProgressWindow progress(m_window, QStringLiteral("Raport"));
        frReport2.prepareReport(&progress);
        if (progress.cancelled()) {
            frReport2.releasePages();
            return;
        }
    } catch (const EReportError& e) {
        ShowDBError(e.message(), 0);
        return;
    } catch (const EDBEngineError& e) {
        ShowDBError(e, 0);
        return;
    } catch (const std::exception& e) {
        ShowDBError(QString::fromUtf8(e.what()), 0);
        return;
    }
    {
        TReportPreview preview(frReport2.preparedPages(), m_window);
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
    m_criteria.view->first();
}

void TDMRaporty::frUserDataset2Next()
{
    m_criteria.view->next();
}

void TDMRaporty::frUserDataset2CheckEOF(bool& Eof)
{
    Eof = m_criteria.view->eof();
}

int TDMRaporty::registerField(const QString& name) const
{
    // Asked for once per cell of every row: each name is looked up once per report, -1 for a
    // name that is no register variable.
    auto found = m_fields.constFind(name);
    if (found == m_fields.cend())
        found = m_fields.insert(name, registerFields().contains(name) ? m_criteria.view->field(name)
                                                                      : -1);
    return *found;
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
    if (const int field = registerField(ParName); field >= 0) {
        const Query* view = m_criteria.view;
        ParValue = view->cursor() >= 0 ? view->textAt(view->cursor(), field) : QString();
        if (ParName == QLatin1String("WARTOSC"))
            addPrinted(valueSum, ParValue);
        else if (ParName == QLatin1String("NALEZNOSC"))
            addPrinted(amountSum, ParValue);
    } else if (ParName == QLatin1String("SWARTOSC")) {
        ParValue = valueSum.text();
    } else if (ParName == QLatin1String("SNALEZNOSC")) {
        ParValue = amountSum.text();
    } else if (ParName == QLatin1String("DATAWYDRUKU")) {
        ParValue = m_params->DateText();
    } else if (ParName == QLatin1String("KMIEJSCOWOSC")) {
        ParValue = m_params->fMIEJSCOWOSC->text();
    } else if (ParName == QLatin1String("OKRES")) {
        ParValue = m_criteria.period;
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
