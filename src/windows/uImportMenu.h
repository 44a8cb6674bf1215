#pragma once

class QWidget;

// "Administracja" -> "Import danych z tabel Paradox": asks for the directory of the old
// program's tables, then runs the import with the program's question and information dialogs.
// Answers whether the data was replaced, so the main window brings its views up to date.
bool ImportDanychZTabelParadox(QWidget* parent);
