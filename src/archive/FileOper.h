#pragma once

#include <QObject>
#include <QString>

// One file operation of the kind the Windows shell offers (copy, move, rename, delete), run on
// std::filesystem without questions or progress window. Failure is only a non-zero result.
class TFileOperation : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool AbortByUser READ AbortByUser)
    Q_PROPERTY(QString Destination READ Destination WRITE SetDestination)
    Q_PROPERTY(TFileMode Mode READ Mode WRITE SetMode)
    Q_PROPERTY(TFileOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(QString Source READ Source WRITE SetSource)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)

public:
    // Values are the shell's operation codes.
    enum TFileMode
    {
        foCopy = 2,
        foDelete = 3,
        foMove = 1,
        foRename = 4,
    };
    Q_ENUM(TFileMode)

    // Values are the shell's flag bits, so the OR of a set is the shell's flag word.
    enum TFileOption
    {
        fofAllowUndo = 0x0040,
        fofConfirmMouse = 0x0002,
        fofFilesOnly = 0x0080,
        fofMultiDestFiles = 0x0001,
        fofNoConfirmation = 0x0010,
        fofNoConfirmMkDir = 0x0200,
        fofRenameOnCollision = 0x0008,
        fofSilent = 0x0004,
        fofSimpleProgress = 0x0100,
        fofWantMappingHandle = 0x0020,
    };
    Q_DECLARE_FLAGS(TFileOptions, TFileOption)
    Q_FLAG(TFileOptions)

    explicit TFileOperation(QObject* parent = nullptr);

    bool AbortByUser() const { return m_abortByUser; }

    // Target file (or existing directory) of a copy, move or rename; unused by delete.
    QString Destination() const { return m_destination; }
    void SetDestination(const QString& destination) { m_destination = destination; }

    TFileMode Mode() const { return m_mode; }
    void SetMode(TFileMode mode) { m_mode = mode; }

    TFileOptions Options() const { return m_options; }
    void SetOptions(TFileOptions options) { m_options = options; }

    // One path or several joined by ";"; "*" and "?" allowed in the last path element.
    QString Source() const { return m_source; }
    void SetSource(const QString& source) { m_source = source; }

    QString Title() const { return m_title; }
    void SetTitle(const QString& title) { m_title = title; }

    // The title a progress window would get: Title with fofSimpleProgress, else none.
    QString ProgressTitle() const;

    // Runs the operation once; 0 exactly when every named file was handled, otherwise an errno
    // value of the first failure (later paths are not attempted).
    int Execute();

private:
    bool m_abortByUser = false;
    QString m_destination;
    TFileMode m_mode = foCopy;
    TFileOptions m_options;
    QString m_source;
    QString m_title;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TFileOperation::TFileOptions)

// The options every caller in the program uses: files only, no questions, no progress window
// (flag word 0x0395).
inline constexpr TFileOperation::TFileOptions UnattendedFileOptions =
    TFileOperation::fofFilesOnly | TFileOperation::fofMultiDestFiles |
    TFileOperation::fofNoConfirmation | TFileOperation::fofNoConfirmMkDir |
    TFileOperation::fofSilent | TFileOperation::fofSimpleProgress;

// Matches a file name against a pattern with "*" (any run) and "?" (one character). As on
// Windows, a trailing ".*" also matches a name without a dot, so "*.*" matches every name.
bool MatchesFilePattern(const QString& pattern, const QString& name);
