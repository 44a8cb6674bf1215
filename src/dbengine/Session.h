#pragma once

#include <QString>

// The process-wide engine session: its private directory (where SQLite puts its temporary
// files for this run) and its active state.
class Session
{
public:
    static Session& instance();

    // Takes effect on the next activate(); an empty text means the system default.
    void setPrivateDir(const QString& dir);
    QString privateDir() const { return m_privateDir; }

    // Raises EDBEngineError when the engine cannot be initialised.
    void activate();
    void deactivate() noexcept;
    bool isActive() const { return m_active; }

    // The engine's version number in decimal, as the system-version query answers it.
    static int engineVersion();

private:
    Session() = default;
    QString m_privateDir;
    bool m_active = false;
};
