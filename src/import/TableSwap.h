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
bool SwapInTables(TmyDataBase* dataModule, const std::vector<StagedTable>& tables,
                  QString* error = nullptr);
