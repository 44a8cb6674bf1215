#pragma once

#include <QString>

// What the edit windows hand to the write operations: the field texts as the window holds them
// after its own normalisation (IDs in decimal, dates as date text or the empty date text,
// amounts and rates in the regional "0.00" form).
struct RejestrEntryTexts
{
    QString ID;
    QString DATAWPISU;
    QString DATADOK;
    QString NRDOK;
    QString IMIE;
    QString NAZWISKO;
    QString NIP;
    QString ADRES;
    QString KODPOCZT;
    QString MIEJSCOWOSC;
    QString NALEZNOSC;
    QString STAWKA;
    QString DATAZAPLATY;
    QString UWAGI;
};

struct KontrahentTexts
{
    QString ID;
    QString SKROT;
    QString NAZWA;
    QString NIP;
    QString ADRES;
    QString KODPOCZT;
    QString MIEJSCOWOSC;
    QString TELEFONY;
    QString UWAGI;
};
