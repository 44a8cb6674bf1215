#pragma once

#include <QString>

// What a Paradox table file's own bytes say of its shape, read before pxlib is given the file:
// pxlib trusts its header and block chain, and a damaged one makes it decrypt noise without end
// or read records that are not there.
struct ParadoxLayout
{
    int version = 0; // the header's file version byte
    int recordSize = 0;
    int blockSize = 0;  // bytes
    qint64 records = 0; // as the header counts them, and as the block chain holds them
};

enum class LayoutFault
{
    None,
    NotATable, // no Paradox header, an index, an unknown version
    Unreadable // encrypted, cut short, a broken block chain
};

// Anything but None, with a Polish reason (the file is not named), when the file is not a table
// pxlib can be given: its block chain must hold exactly the records the header counts, each of
// them inside the file. A last block cut short is no fault while its records are all there.
LayoutFault ReadParadoxLayout(const QString& path, ParadoxLayout* layout, QString* reason);
