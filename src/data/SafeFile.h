#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>
#include <QString>

#include <functional>

// Replaces a file as a whole or not at all. Writes go to a temporary file beside the target;
// commit() writes out what is still held, syncs the file, renames it over the target and syncs
// the folder. After any failure, also of a write whose answer the caller ignored, commit()
// refuses: the temporary is removed and the target keeps every byte it had. QSaveFile is not
// used: on a full disk it renamed an empty file over the target and answered success.
//
// The new file keeps the permission bits of the one it replaces; a link to the target stays a
// link, and the file it names is replaced.
class SafeFile : public QIODevice
{
    Q_OBJECT

public:
    // The points where a write can fail, in their order; tests fail each in turn.
    enum class Step
    {
        Write,
        Flush,
        Sync,
        Rename
    };

    explicit SafeFile(const QString& target, QObject* parent = nullptr);
    // Removes the temporary unless committed.
    ~SafeFile() override;

    // Creates the temporary; WriteOnly is the only mode.
    bool open(OpenMode mode) override;
    bool commit();
    // Drops what was written; the target stays as it was.
    void cancelWriting();

    // The first failure's errno, 0 when none.
    int error() const { return m_error; }
    // The first failure in words: the Polish reason, then the system's own text.
    QString errorText() const;
    // Sets the new file's permission bits instead of the earlier file's.
    bool setPermissions(QFileDevice::Permissions permissions);

    // The whole of data as the new content of path; false, with the reason in *error, on failure.
    static bool writeWhole(const QString& path, const QByteArray& data, QString* error = nullptr);
    // A Polish reason for errno, with the system's own text after it.
    static QString reasonText(int errorCode);

    // For tests: asked before each step; a non-zero answer fails that step with that errno.
    using FaultHook = std::function<int(Step)>;
    static void setFaultHook(FaultHook hook);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool fail(int errorCode);
    bool injected(Step step);
    bool writeOut(const char* data, qint64 size);
    void discard();

    QString m_target;
    QString m_temporary;
    QByteArray m_buffer;
    int m_fd = -1;
    int m_error = 0;
};
