#pragma once

#include <QByteArray>
#include <QString>

// Windows-1250, the code page of the program's files: the password cipher and its stored value,
// the archive description and the CSV export. A character the code page lacks becomes "?".
QByteArray ToCp1250(const QString& text);
void AppendCp1250(QByteArray& out, QStringView text);
QString FromCp1250(const QByteArray& bytes);
