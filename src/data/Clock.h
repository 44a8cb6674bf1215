#pragma once

#include <QDateTime>

#include <functional>

// "Now" for the whole program, so tests can fix the date that stamps, filters and reports see.
QDateTime Now();
// An empty function restores the system clock.
void SetClock(std::function<QDateTime()> clock);
