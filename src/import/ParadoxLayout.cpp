#include "import/ParadoxLayout.h"

#include <QFile>

#include <vector>

namespace {

// The header every version starts with, and the data header versions 4.0 and later add to it.
constexpr int kCommonHeader = 0x58;
constexpr int kDataHeader = 0x78;
// Each data block starts with the next and previous block numbers and the bytes it holds
// beyond its first record.
constexpr int kBlockHead = 6;
// pxlib keeps block numbers and sizes in signed 16-bit words.
constexpr int kMaxWord = 0x7FFF;
constexpr quint32 kSeeDataHeader = 0xFF00FF00;

int Byte(const QByteArray& b, int at)
{
    return uchar(b[at]);
}

int Word(const QByteArray& b, int at)
{
    return Byte(b, at) | Byte(b, at + 1) << 8;
}

int SignedWord(const QByteArray& b, int at)
{
    return qint16(quint16(Word(b, at)));
}

quint32 Long(const QByteArray& b, int at)
{
    return quint32(Word(b, at)) | quint32(Word(b, at + 2)) << 16;
}

LayoutFault Refuse(QString* reason, LayoutFault fault, const QString& text)
{
    if (reason)
        *reason = text;
    return fault;
}

LayoutFault NotATable(QString* reason, const QString& text)
{
    return Refuse(reason, LayoutFault::NotATable, text);
}

LayoutFault Damaged(QString* reason, const QString& text)
{
    return Refuse(reason, LayoutFault::Unreadable,
                  QStringLiteral("plik jest uszkodzony (%1)").arg(text));
}

LayoutFault Incomplete(QString* reason)
{
    return Refuse(reason, LayoutFault::Unreadable, QStringLiteral("plik jest niekompletny"));
}

} // namespace

LayoutFault ReadParadoxLayout(const QString& path, ParadoxLayout* layout, QString* reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Refuse(reason, LayoutFault::Unreadable, file.errorString());
    const qint64 size = file.size();
    const QByteArray head = file.read(kDataHeader);
    // The file type and block size come first, so bytes that are no header at all are never
    // taken for a table cut short.
    const int blockKb = head.size() >= 6 ? Byte(head, 5) : 0;
    if (head.size() < 6 || Byte(head, 4) > 8 ||
        (blockKb != 1 && blockKb != 2 && blockKb != 3 && blockKb != 4 && blockKb != 8 &&
         blockKb != 16 && blockKb != 32))
        return NotATable(reason, QStringLiteral("nieczytelny nagłówek"));
    if (Byte(head, 4) != 0 && Byte(head, 4) != 2)
        return NotATable(reason, QStringLiteral("to plik indeksu, nie tabela"));
    const int headerSize = Word(head, 2);
    if (headerSize < kCommonHeader || headerSize > kMaxWord)
        return NotATable(reason, QStringLiteral("nieczytelny nagłówek"));
    if (size < headerSize)
        return Incomplete(reason);

    const int version = Byte(head, 0x39);
    if (version < 3 || version > 12)
        return NotATable(reason, QStringLiteral("nieznana wersja pliku (%1)").arg(version));
    const bool dataHeader = version >= 5;
    if (dataHeader && headerSize < kDataHeader)
        return NotATable(reason, QStringLiteral("nieczytelny nagłówek"));
    // Without a data header pxlib would take the key from bytes it never read.
    quint32 key = Long(head, 0x25);
    if (key == kSeeDataHeader && !dataHeader)
        return Damaged(reason, QStringLiteral("nagłówek nie pasuje do wersji pliku"));
    if (key == kSeeDataHeader)
        key = Long(head, 0x5C);
    if (key != 0)
        return Refuse(reason, LayoutFault::Unreadable, QStringLiteral("tabela jest zaszyfrowana"));

    const int recordSize = Word(head, 0);
    const int blockSize = blockKb * 1024;
    if (recordSize < 1 || recordSize > blockSize - kBlockHead)
        return Damaged(reason, QStringLiteral("długość rekordu %1").arg(recordSize));
    const int fields = SignedWord(head, 0x21);
    if (fields < 1 || fields > 255 ||
        (dataHeader ? kDataHeader : kCommonHeader) + 2 * fields > headerSize)
        return Damaged(reason, QStringLiteral("liczba pól %1").arg(fields));
    const qint64 records = qint32(Long(head, 6));
    if (records < 0)
        return Damaged(reason, QStringLiteral("liczba rekordów %1").arg(records));
    const int fileBlocks = Word(head, 0x0C);
    if (fileBlocks > kMaxWord)
        return Damaged(reason, QStringLiteral("liczba bloków %1").arg(fileBlocks));

    // The chain from the first block, walked as pxlib walks it: at most fileBlocks blocks,
    // each holding addDataSize / recordSize + 1 records.
    const int perBlock = (blockSize - kBlockHead) / recordSize;
    std::vector<bool> seen(size_t(fileBlocks) + 1, false);
    qint64 counted = 0;
    int block = Word(head, 0x0E);
    for (int steps = 0; block != 0; ++steps) {
        if (steps == fileBlocks || block > fileBlocks || seen[size_t(block)])
            return Damaged(reason, QStringLiteral("łańcuch bloków danych jest przerwany"));
        seen[size_t(block)] = true;
        const qint64 at = headerSize + qint64(block - 1) * blockSize;
        QByteArray blockHead;
        if (file.seek(at))
            blockHead = file.read(kBlockHead);
        if (blockHead.size() < kBlockHead)
            return Incomplete(reason);
        const int added = SignedWord(blockHead, 4);
        const int inBlock = added / recordSize + 1;
        if (added % recordSize != 0 || inBlock < 0 || inBlock > perBlock)
            return Damaged(reason, QStringLiteral("nagłówek bloku danych %1").arg(block));
        if (at + kBlockHead + qint64(inBlock) * recordSize > size)
            return Incomplete(reason);
        counted += inBlock;
        block = Word(blockHead, 0);
    }
    if (counted != records)
        return Damaged(reason,
                       QStringLiteral("rekordów w blokach danych jest %1, a nagłówek podaje %2")
                           .arg(counted)
                           .arg(records));
    if (layout)
        *layout = {version, recordSize, blockSize, records};
    return LayoutFault::None;
}
