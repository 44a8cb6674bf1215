#pragma once

#include "dbengine/EDBEngineError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct pg_conn;
struct pg_result;

// Error codes this layer puts into EDBEngineError::code() for the server. The first three are
// SQLite's own numbers, so that a caller telling the user the reason treats both stores alike;
// the connection's own troubles sit above every SQLite code. Any other server error carries 1
// (SQLITE_ERROR).
namespace PgCode {
inline constexpr int Busy = 5;        // a lock or statement timeout, deadlock, serialization
inline constexpr int Full = 13;       // the server's disk is full
inline constexpr int Constraint = 19; // a unique, not-null, foreign key or check violation
inline constexpr int ConnectionLost = 0x10001;  // the connection broke (server gone, network)
inline constexpr int CannotConnect = 0x10002;   // no connection at all (host, refused, auth)
inline constexpr int PasswordRefused = 0x10003; // the user gave up at the password prompt
} // namespace PgCode

// How a result column is read, from its type.
enum class PgKind
{
    Integer,
    Float,
    Text
};

// One result of the server, owned; values in text format.
class PgResult
{
public:
    PgResult() = default;
    explicit PgResult(pg_result* r); // takes ownership

    int rows() const;
    int columns() const;
    // As the server names it (lower case for unquoted names).
    QString columnName(int c) const;
    // int2/int4/int8/oid are Integer; float4/float8/numeric Float; everything else Text.
    PgKind kind(int c) const;
    bool isNull(int r, int c) const;
    // Text form, UTF-8; empty for NULL.
    QByteArray value(int r, int c) const;
    // The same without a copy; valid while this result lives.
    const char* rawValue(int r, int c) const;
    int rawLength(int r, int c) const;
    // The row count of INSERT/UPDATE/DELETE/COPY/SELECT; 0 for other commands.
    qint64 affectedRows() const;

private:
    struct Clear
    {
        void operator()(pg_result* r) const noexcept;
    };
    std::unique_ptr<pg_result, Clear> m_res;
};

// One session with a PostgreSQL server. Every failure raises EDBEngineError with a PgCode.
class PgConnection
{
public:
    // Asked when the server wants a password. `why` names the server and the user in Polish and,
    // on a later try, says that the previous password was refused (then `retry` is true).
    // Answers std::nullopt when the user gives up.
    using PasswordPrompt = std::function<std::optional<QString>(const QString& why, bool retry)>;

    PgConnection();
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connects with client_encoding UTF8, DateStyle ISO and application_name 'rejestr' (unless
    // the conninfo names another). Asks `prompt` for a password when the server requires one, up
    // to 3 times. A typed password is kept in memory only, to reconnect during this run, and is
    // forgotten by close(). Raises CannotConnect, or PasswordRefused when the user gives up.
    void open(const QString& conninfo, PasswordPrompt prompt = {});
    void close() noexcept;
    // True from a successful open() until close(), also while the connection is broken (the
    // next statement reconnects).
    bool isOpen() const;
    // As given to open(), without any password the user typed.
    QString conninfo() const;

    // One statement through the extended protocol with text parameters $1..$n (std::nullopt is
    // NULL; their types are left to the server). A broken connection raises ConnectionLost once
    // and the next statement reconnects first (CannotConnect when that fails); a transaction
    // that was open is gone then.
    PgResult exec(const QByteArray& sql, const QList<std::optional<QByteArray>>& params = {});
    // Several statements in one text through the simple protocol (DDL scripts); same errors.
    void execScript(const QByteArray& sql);
    // COPY ... FROM STDIN in text format: nextChunk fills `chunk` with the next bytes of the rows
    // (values made with appendCopyValue, separated by tabs, each row ending in '\n'; a chunk may
    // end anywhere) and answers false with the last one. Raises on any failure, also one thrown
    // by nextChunk, and never leaves a COPY running.
    void copyIn(const QByteArray& copySql, const std::function<bool(QByteArray& chunk)>& nextChunk);
    // Appends one value in COPY text format: NULL as \N; backslash, tab, newline and CR escaped.
    // Adds no separator.
    static void appendCopyValue(QByteArray& line, const std::optional<QByteArray>& value);

    // A transaction is open (also one a failed statement has aborted).
    bool inTransaction() const;
    int backendPid() const;
    // The socket to watch for notifications; -1 when there is no connection. It may change (or
    // become -1) with any call, so a watcher checks it again after each one.
    int socket() const;
    // The channels notified since the last call, each once, leaving out notifications this
    // connection sent itself. Reads what the socket holds first. Never raises; a broken
    // connection answers {}.
    QStringList takeNotifications();
    // LISTEN on a channel now (when open; raises as exec does) and again after every reconnect.
    void listen(const QString& channel);
    // lock_timeout of the session in ms, now (when open) and after every reconnect; 0 waits
    // without limit.
    void setLockTimeout(int ms);

private:
    struct Finish
    {
        void operator()(pg_conn* c) const noexcept;
    };
    using ConnPtr = std::unique_ptr<pg_conn, Finish>;

    ConnPtr connect(bool reconnecting);
    void setUpSession(pg_conn* conn);
    void ensureUsable();
    PgResult checked(pg_result* res);
    void forgetPassword() noexcept;

    ConnPtr m_conn;
    QString m_conninfo;
    PasswordPrompt m_prompt;
    QByteArray m_password;
    QStringList m_channels;
    int m_lockTimeoutMs = -1;
    bool m_open = false;
    // ConnectionLost was raised; the next statement reconnects first.
    bool m_lost = false;
};
