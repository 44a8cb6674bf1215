#include "dbengine/PgConnection.h"

#include <libpq-fe.h>

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include <poll.h>

namespace {

constexpr int kServerError = 1; // SQLITE_ERROR: any server error without a code of its own
constexpr int kPasswordTries = 3;
// libpq waits for ever when the conninfo names no connect_timeout; a window must not.
constexpr int kDefaultConnectTimeoutS = 15;

// Type OIDs of the server's built-in types; fixed in its catalog.
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;

QString lostText()
{
    return QStringLiteral("Utracono połączenie z serwerem bazy danych. Następna operacja połączy "
                          "się ponownie.");
}

QString cannotConnectText()
{
    return QStringLiteral("Nie można połączyć się z serwerem bazy danych.");
}

int codeOf(const char* sqlState)
{
    const QByteArray state(sqlState ? sqlState : "");
    // 57014 comes from statement_timeout: the program never cancels a statement itself.
    if (state == "55P03" || state == "40P01" || state == "40001" || state == "57014")
        return PgCode::Busy;
    if (state == "53100")
        return PgCode::Full;
    if (state.startsWith("23"))
        return PgCode::Constraint;
    return kServerError;
}

// The server's primary message and its detail; libpq's own text when the server sent none.
QString serverText(const PGresult* res, const PGconn* conn)
{
    if (const char* primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr) {
        QString text = QString::fromUtf8(primary);
        if (const char* detail = PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL))
            text += QLatin1Char('\n') + QString::fromUtf8(detail);
        return text;
    }
    const char* message = res ? PQresultErrorMessage(res) : "";
    if (!*message && conn)
        message = PQerrorMessage(conn);
    return QString::fromUtf8(message).trimmed();
}

struct ConnectFailure
{
    QString text;
    QByteArray sqlState;
};

// A failed connection has no result to ask for the SQLSTATE; it is in the verbose message, after
// the severity. Taken out of the text, with the server's source location.
ConnectFailure connectFailure(const PGconn* conn)
{
    static const QRegularExpression codeAfterSeverity(
        QStringLiteral("^([^\\n]*?:  )([0-9A-Z]{5}): "), QRegularExpression::MultilineOption);
    static const QRegularExpression location(QStringLiteral("^LOCATION:  [^\\n]*\\n?"),
                                             QRegularExpression::MultilineOption);
    ConnectFailure failure;
    failure.text = QString::fromUtf8(PQerrorMessage(conn));
    if (const auto match = codeAfterSeverity.match(failure.text); match.hasMatch())
        failure.sqlState = match.captured(2).toLatin1();
    failure.text.replace(codeAfterSeverity, QStringLiteral("\\1"));
    failure.text.remove(location);
    failure.text = failure.text.trimmed();
    return failure;
}

bool succeeded(const PGresult* res)
{
    const ExecStatusType status = PQresultStatus(res);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY;
}

// Reads the current command's results to the end, ending a COPY the server still expects (with
// `copyFailure` as the reason, or as done when null) or still sends. Answers the first failed
// result, else the last one; the caller owns it.
PGresult* drain(PGconn* conn, const char* copyFailure)
{
    PGresult* kept = nullptr;
    while (PGresult* res = PQgetResult(conn)) {
        const ExecStatusType status = PQresultStatus(res);
        if (status == PGRES_COPY_IN) {
            PQclear(res);
            if (PQputCopyEnd(conn, copyFailure) != 1)
                break;
            continue;
        }
        if (status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) {
            PQclear(res);
            char* row = nullptr;
            while (PQgetCopyData(conn, &row, 0) > 0) {
                PQfreemem(row);
                row = nullptr;
            }
            continue;
        }
        if (!kept || succeeded(kept)) {
            PQclear(kept);
            kept = res;
        } else {
            PQclear(res);
        }
    }
    return kept;
}

QByteArray quotedIdentifier(const QString& name)
{
    QByteArray quoted = name.toUtf8();
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

void ignoreNotice(void*, const char*) {}

} // namespace

// ---- PgResult

void PgResult::Clear::operator()(pg_result* r) const noexcept
{
    PQclear(r);
}

PgResult::PgResult(pg_result* r) : m_res(r) {}

int PgResult::rows() const
{
    return m_res ? PQntuples(m_res.get()) : 0;
}

int PgResult::columns() const
{
    return m_res ? PQnfields(m_res.get()) : 0;
}

QString PgResult::columnName(int c) const
{
    const char* name = m_res ? PQfname(m_res.get(), c) : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

PgKind PgResult::kind(int c) const
{
    switch (m_res ? PQftype(m_res.get(), c) : InvalidOid) {
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid:
        return PgKind::Integer;
    case kFloat4Oid:
    case kFloat8Oid:
    case kNumericOid:
        return PgKind::Float;
    default:
        return PgKind::Text;
    }
}

bool PgResult::isNull(int r, int c) const
{
    return !m_res || PQgetisnull(m_res.get(), r, c);
}

QByteArray PgResult::value(int r, int c) const
{
    const char* raw = rawValue(r, c);
    return raw ? QByteArray(raw, rawLength(r, c)) : QByteArray();
}

const char* PgResult::rawValue(int r, int c) const
{
    return m_res ? PQgetvalue(m_res.get(), r, c) : nullptr;
}

int PgResult::rawLength(int r, int c) const
{
    return m_res ? PQgetlength(m_res.get(), r, c) : 0;
}

qint64 PgResult::affectedRows() const
{
    return m_res ? QByteArray(PQcmdTuples(m_res.get())).toLongLong() : 0;
}

// ---- PgConnection

void PgConnection::Finish::operator()(pg_conn* c) const noexcept
{
    PQfinish(c);
}

PgConnection::PgConnection() = default;

PgConnection::~PgConnection()
{
    close();
}

void PgConnection::open(const QString& conninfo, PasswordPrompt prompt)
{
    close();
    m_conninfo = conninfo;
    m_prompt = std::move(prompt);
    try {
        m_conn = connect(false);
    } catch (...) {
        forgetPassword();
        m_prompt = {};
        throw;
    }
    m_open = true;
}

void PgConnection::close() noexcept
{
    m_conn.reset();
    m_open = false;
    m_lost = false;
    m_prompt = {};
    forgetPassword();
}

bool PgConnection::isOpen() const
{
    return m_open;
}

QString PgConnection::conninfo() const
{
    return m_conninfo;
}

void PgConnection::forgetPassword() noexcept
{
    m_password.fill('\0');
    m_password.clear();
}

PgConnection::ConnPtr PgConnection::connect(bool reconnecting)
{
    const QString failed = reconnecting ? QStringLiteral("Nie można ponownie połączyć się z "
                                                         "serwerem bazy danych.")
                                        : cannotConnectText();
    const QByteArray info = m_conninfo.toUtf8();
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(info.constData(), &parseError);
    if (!options) {
        const QString text = QString::fromUtf8(parseError ? parseError : "").trimmed();
        PQfreemem(parseError);
        throw EDBEngineError(failed + QLatin1Char('\n') + text, PgCode::CannotConnect);
    }
    int timeoutS = kDefaultConnectTimeoutS;
    for (const PQconninfoOption* o = options; o->keyword; ++o) {
        if (qstrcmp(o->keyword, "connect_timeout") == 0 && o->val && *o->val) {
            const int given = QByteArray(o->val).toInt();
            timeoutS = given > 0 ? std::max(given, 2) : -1; // as libpq reads it
        }
    }
    PQconninfoFree(options);

    int prompts = 0;
    for (;;) {
        // Keywords later in the list win: the conninfo may name another application, never
        // another encoding, and a typed password overrides one it holds.
        std::vector<const char*> keys{"application_name", "dbname", "client_encoding"};
        std::vector<const char*> values{"rejestr", info.constData(), "UTF8"};
        if (!m_password.isEmpty()) {
            keys.push_back("password");
            values.push_back(m_password.constData());
        }
        keys.push_back(nullptr);
        values.push_back(nullptr);

        ConnPtr conn(PQconnectStartParams(keys.data(), values.data(), 1));
        if (!conn)
            throw EDBEngineError(failed, PgCode::CannotConnect);
        // Only the verbose form of a connection failure carries its SQLSTATE.
        PQsetErrorVerbosity(conn.get(), PQERRORS_VERBOSE);
        const QDeadlineTimer deadline = timeoutS < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                     : QDeadlineTimer(timeoutS * 1000);
        PostgresPollingStatusType polled =
            PQstatus(conn.get()) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
        while (polled != PGRES_POLLING_OK && polled != PGRES_POLLING_FAILED) {
            const qint64 left = deadline.remainingTime();
            if (left == 0)
                throw EDBEngineError(
                    failed +
                        QStringLiteral("\nSerwer nie odpowiedział w ciągu %1 s.").arg(timeoutS),
                    PgCode::CannotConnect);
            pollfd fd{PQsocket(conn.get()),
                      short(polled == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
            const int ready = ::poll(&fd, 1, left < 0 ? -1 : int(std::min<qint64>(left, INT_MAX)));
            if (ready < 0 && errno != EINTR)
                break;
            if (ready > 0)
                polled = PQconnectPoll(conn.get());
        }
        if (polled == PGRES_POLLING_OK && PQstatus(conn.get()) == CONNECTION_OK) {
            PQsetErrorVerbosity(conn.get(), PQERRORS_DEFAULT);
            PQsetNoticeProcessor(conn.get(), ignoreNotice, nullptr);
            setUpSession(conn.get());
            return conn;
        }

        const ConnectFailure failure = connectFailure(conn.get());
        // 28P01: the server refused the password (or the user: it does not say which).
        const bool refused = failure.sqlState == "28P01";
        if (!(PQconnectionNeedsPassword(conn.get()) || refused) || !m_prompt ||
            prompts == kPasswordTries)
            throw EDBEngineError(failed + QLatin1Char('\n') + failure.text, PgCode::CannotConnect);

        QString host = QString::fromUtf8(PQhost(conn.get()));
        if (host.isEmpty() || host.startsWith(QLatin1Char('/')))
            host = QStringLiteral("localhost");
        const bool retry = refused || prompts > 0;
        QString why = QStringLiteral("Serwer bazy danych %1, użytkownik %2")
                          .arg(host, QString::fromUtf8(PQuser(conn.get())));
        if (retry)
            why += QStringLiteral("\nPoprzednie hasło zostało odrzucone.");
        conn.reset();
        std::optional<QString> answer = m_prompt(why, retry);
        ++prompts;
        forgetPassword();
        if (!answer)
            throw EDBEngineError(QStringLiteral("Nie podano hasła do serwera bazy danych."),
                                 PgCode::PasswordRefused);
        m_password = answer->toUtf8();
        answer->fill(QChar(0));
    }
}

void PgConnection::setUpSession(pg_conn* conn)
{
    QByteArray script = "SET DateStyle TO ISO;";
    if (m_lockTimeoutMs >= 0)
        script += "SET lock_timeout TO " + QByteArray::number(m_lockTimeoutMs) + ';';
    for (const QString& channel : std::as_const(m_channels))
        script += "LISTEN " + quotedIdentifier(channel) + ';';
    PGresult* res = PQexec(conn, script.constData());
    const bool ok = res && PQresultStatus(res) == PGRES_COMMAND_OK;
    const QString text = ok ? QString() : serverText(res, conn);
    PQclear(res);
    if (!ok)
        throw EDBEngineError(cannotConnectText() + QLatin1Char('\n') + text, PgCode::CannotConnect);
}

void PgConnection::ensureUsable()
{
    if (!m_open)
        throw EDBEngineError(QStringLiteral("Brak połączenia z serwerem bazy danych."),
                             PgCode::CannotConnect);
    if (m_lost) {
        m_conn.reset();
        m_conn = connect(true);
        m_lost = false;
        return;
    }
    if (PQstatus(m_conn.get()) == CONNECTION_BAD) {
        m_lost = true;
        throw EDBEngineError(lostText() + QLatin1Char('\n') +
                                 QString::fromUtf8(PQerrorMessage(m_conn.get())).trimmed(),
                             PgCode::ConnectionLost);
    }
}

PgResult PgConnection::checked(pg_result* raw)
{
    PgResult res(raw);
    PGconn* conn = m_conn.get();
    if (raw && (PQresultStatus(raw) == PGRES_COPY_IN || PQresultStatus(raw) == PGRES_COPY_OUT ||
                PQresultStatus(raw) == PGRES_COPY_BOTH)) {
        PQclear(drain(conn, "COPY tylko przez copyIn"));
        if (PQstatus(conn) != CONNECTION_BAD)
            throw EDBEngineError(QStringLiteral("Polecenie COPY idzie tylko przez copyIn()"),
                                 kServerError);
    }
    if (PQstatus(conn) == CONNECTION_BAD) {
        m_lost = true;
        throw EDBEngineError(lostText() + QLatin1Char('\n') + serverText(raw, conn),
                             PgCode::ConnectionLost);
    }
    if (!raw)
        throw EDBEngineError(serverText(nullptr, conn), kServerError);
    if (!succeeded(raw))
        throw EDBEngineError(serverText(raw, conn),
                             codeOf(PQresultErrorField(raw, PG_DIAG_SQLSTATE)));
    return res;
}

PgResult PgConnection::exec(const QByteArray& sql, const QList<std::optional<QByteArray>>& params)
{
    ensureUsable();
    std::vector<const char*> values;
    values.reserve(size_t(params.size()));
    for (const auto& p : params)
        values.push_back(p ? p->constData() : nullptr);
    return checked(PQexecParams(m_conn.get(), sql.constData(), int(values.size()), nullptr,
                                values.data(), nullptr, nullptr, 0));
}

void PgConnection::execScript(const QByteArray& sql)
{
    ensureUsable();
    checked(PQexec(m_conn.get(), sql.constData()));
}

void PgConnection::copyIn(const QByteArray& copySql,
                          const std::function<bool(QByteArray& chunk)>& nextChunk)
{
    ensureUsable();
    PGconn* conn = m_conn.get();
    PGresult* started = PQexec(conn, copySql.constData());
    if (!started || PQresultStatus(started) != PGRES_COPY_IN) {
        checked(started);
        throw EDBEngineError(QStringLiteral("Polecenie nie jest poleceniem COPY ... FROM STDIN"),
                             kServerError);
    }
    PQclear(started);

    // A failed send is not raised here: the server's reason arrives with the results below.
    QByteArray chunk;
    try {
        for (bool more = true; more;) {
            chunk.clear();
            more = nextChunk(chunk);
            if (!chunk.isEmpty() && PQputCopyData(conn, chunk.constData(), int(chunk.size())) != 1)
                break;
        }
    } catch (...) {
        // The server drops the rows sent so far; a broken connection is raised by the next
        // statement.
        PQputCopyEnd(conn, "przerwano zapis danych");
        PQclear(drain(conn, "przerwano zapis danych"));
        throw;
    }
    PQputCopyEnd(conn, nullptr);
    checked(drain(conn, "przerwano zapis danych"));
}

void PgConnection::appendCopyValue(QByteArray& line, const std::optional<QByteArray>& value)
{
    if (!value) {
        line += "\\N";
        return;
    }
    line.reserve(line.size() + value->size());
    for (const char ch : *value) {
        switch (ch) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += ch;
        }
    }
}

bool PgConnection::inTransaction() const
{
    if (!m_conn)
        return false;
    const PGTransactionStatusType status = PQtransactionStatus(m_conn.get());
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

int PgConnection::backendPid() const
{
    return m_conn ? PQbackendPID(m_conn.get()) : 0;
}

int PgConnection::socket() const
{
    return m_conn ? PQsocket(m_conn.get()) : -1;
}

QStringList PgConnection::takeNotifications()
{
    QStringList channels;
    PGconn* conn = m_conn.get();
    if (!conn || PQstatus(conn) != CONNECTION_OK)
        return channels;
    // Read while the socket has more: a server ending the session sends its reason and then
    // closes, and only a second read finds the end. A watcher then sees socket() become -1.
    for (int reads = 0; reads < 16; ++reads) {
        if (!PQconsumeInput(conn))
            return channels;
        pollfd fd{PQsocket(conn), POLLIN, 0};
        if (::poll(&fd, 1, 0) <= 0)
            break;
    }
    const int own = PQbackendPID(conn);
    while (PGnotify* n = PQnotifies(conn)) {
        const QString channel = QString::fromUtf8(n->relname);
        if (n->be_pid != own && !channels.contains(channel))
            channels << channel;
        PQfreemem(n);
    }
    return channels;
}

void PgConnection::listen(const QString& channel)
{
    if (!m_channels.contains(channel))
        m_channels << channel;
    if (m_open)
        execScript("LISTEN " + quotedIdentifier(channel));
}

void PgConnection::setLockTimeout(int ms)
{
    m_lockTimeoutMs = std::max(ms, 0);
    if (m_open)
        execScript("SET lock_timeout TO " + QByteArray::number(m_lockTimeoutMs));
}
