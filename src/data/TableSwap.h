#pragma once

#include <QString>

#include <functional>
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
// marker file in the folder says a swap is under way until it is decided; the marker names the
// files of its own swap only, and what earlier swaps left goes before it is written. Each live
// table is held with SQLite's own exclusive lock meanwhile, so a journal SQLite would roll back
// is rolled back into the file it belongs to first (one it cannot roll back, or another copy
// writing, refuses the swap) and one it would never play is removed. If the data module was not
// connected (tables that could not be opened), it is started afresh on the new tables.
bool SwapInTables(TmyDataBase* dataModule, const std::vector<StagedTable>& tables,
                  QString* error = nullptr);

// The marker's name, in the folder of the live tables.
inline constexpr char kSwapMarker[] = "wymiana-tabel.trwa";

// After a swap cut short (its marker still there), puts every table of that swap back as it
// was before; answers whether there was one. Run before the tables are opened. A swap that
// another copy of the program is running now is left alone.
bool FinishInterruptedSwap(const QString& folder);

// Test seam: runs before each write, sync, rename and removal of a swap, so that a test can end
// the process there as a power cut would.
void SetSwapStepHook(std::function<void()> hook);
