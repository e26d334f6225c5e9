#pragma once
// The interface font. The layout is drawn for Tahoma at 11 pixels; where the
// system has no Tahoma, the Tahoma face that Wine ships is loaded, and without
// that DejaVu Sans keeps the texts in their places.

#include <QFont>

// The family in use; loads the font files once per process.
QString InterfaceFontFamily();
// The interface font at `pixels` pixels high.
QFont InterfaceFont(int pixels, bool bold = false);
