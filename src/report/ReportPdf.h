#pragma once

#include "data/Progress.h"
#include "report/ReportDocument.h"

class QIODevice;

// Writes the report as PDF without QPdfWriter, which places every glyph with an operator of its
// own, so that writing and compressing positions took most of a long report's time. Here each
// line is one string whose glyphs are spaced by the widths its embedded font declares: the very
// advances the layout measured. Fonts are embedded whole, with a map back to the text, so the
// PDF can be searched and copied from.
enum class CompactPdfResult
{
    Written,
    Failed,      // the device refused a write
    Stopped,     // through progress
    Unsupported, // a font has no TrueType outlines to embed, or is drawn synthesised
};
CompactPdfResult WriteCompactPdf(const ReportDocument& document, QIODevice* device,
                                 Progress* progress = nullptr);
