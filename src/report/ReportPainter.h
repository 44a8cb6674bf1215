#pragma once

#include "report/ReportDocument.h"

class QIODevice;
class QPainter;

// Draws one page with its paper's top-left corner at the painter's origin, pxPerMm device
// pixels to the millimetre. Fonts are sized for the painter's device, so the same routine serves
// the screen, the printer and PDF. Matches on this page are marked behind their text, the current
// one (an index into matches) stronger.
void PaintReportPage(QPainter& painter, const ReportDocument& document, int page, double pxPerMm,
                     const QList<ReportMatch>& matches = {}, int current = -1);

// Paints every page into PDF; false when the device cannot be written.
bool WriteReportPdf(const ReportDocument& document, QIODevice* device);
// Replaces the file as a whole (see SafeFile.h): on failure an earlier file stays as it was and
// *error tells why.
bool WriteReportPdf(const ReportDocument& document, const QString& path, QString* error = nullptr);
