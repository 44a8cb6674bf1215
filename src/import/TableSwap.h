#pragma once

#include <QString>

#include <vector>

class TmyDataBase;

// A verified table file made beside a live one, waiting to take its place.
struct StagedTable
{
    QString live;
    QString staged;
};

// Puts every staged file in place of its live one, all or nothing: the data module's
// statements are closed and its connection shut, the live files renamed aside, the staged ones
// renamed in, and the connection reopened; only then are the earlier files deleted. Any failure
// puts the earlier files back, reconnects, and answers false with the reason; the staged files
// are then removed. The taxpayer view is re-run whenever the connection is back. dataModule
// may be null (nothing connected).
//
// It survives a power cut: the staged files and the folder are flushed to the disk, and a
// marker file in the folder says a swap is under way until it is decided. If the data module
// was not connected (tables that could not be opened), it is started afresh on the new tables.
bool SwapInTables(TmyDataBase* dataModule, const std::vector<StagedTable>& tables,
                  QString* error = nullptr);

// The marker's name, in the folder of the live tables.
inline constexpr char kSwapMarker[] = "wymiana-tabel.trwa";

// After a swap cut short (its marker still there), puts every table of that swap back as it
// was before; answers whether there was one. Run before the tables are opened.
bool FinishInterruptedSwap(const QString& folder);
