#pragma once
// The interface font. The layout is drawn for Tahoma at 11 pixels; where the
// system has no Tahoma, the regular Tahoma face that Wine ships is loaded, and
// without that DejaVu Sans keeps the texts in their places.
//
// Wine's bold Tahoma face has bold advances but regular strokes: a text in it
// reads as regular text spaced out. With Wine's face, bold texts are drawn in
// DejaVu Sans Bold, the bold of the design Wine's Tahoma is drawn after.

#include <QFont>

// The family in use; loads the font files once per process.
QString InterfaceFontFamily();
// The interface font at `pixels` pixels high.
QFont InterfaceFont(int pixels, bool bold = false);
// The bold of an interface font, at its size.
QFont BoldInterfaceFont(const QFont& font);
