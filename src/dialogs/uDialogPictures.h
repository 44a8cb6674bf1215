#pragma once

#include <QIcon>
#include <QPixmap>

// Pictures of the message windows, painted in code so that they stay sharp at any screen scale.
// The two large ones are 31 x 31 with a transparent background, the glyphs 16 x 16.

QPixmap InformationPicture(); // a round information sign with a lower-case i
QPixmap RaisedHandPicture();  // a raised white hand on a yellow diamond
QIcon OkGlyph();              // green tick of the accepting buttons
QIcon CancelGlyph();          // red cross of the refusing buttons
