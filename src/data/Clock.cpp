#include "data/Clock.h"

namespace {

std::function<QDateTime()>& clockFunction()
{
    static std::function<QDateTime()> f;
    return f;
}

} // namespace

QDateTime Now()
{
    return clockFunction() ? clockFunction()() : QDateTime::currentDateTime();
}

void SetClock(std::function<QDateTime()> clock)
{
    clockFunction() = std::move(clock);
}
