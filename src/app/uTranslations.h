#pragma once

class QCoreApplication;

// The toolkit's own texts in Polish: Qt's catalogue, then the program's own translations of
// the print and file dialog texts that catalogue lacks. Polish becomes the default locale.
void InstallPolishTranslations(QCoreApplication& app);
