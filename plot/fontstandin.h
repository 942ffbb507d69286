#pragma once

#include <QFont>
#include <QString>

// Where a font family the program names is not installed, the system picks the family that
// stands in for it, and fontconfig picks by the language of the locale. Under zh_CN it takes
// WenQuanYi Micro Hei, whose character map lists "℃" but whose glyph for it has no outline:
// as the map promises the character, neither fontconfig nor Qt falls back to another font,
// and the unit label comes out blank. Here the stand-in is chosen by what it actually draws.
namespace FontStandIn {

// The characters the program draws in the families it names, Chinese text aside (Chinese
// falls back per character to a font that has it): printable ASCII and the unit signs.
QString probeText();

// True when every character of text but blanks, drawn alone in font (with Qt's fallback for
// characters the font lacks), leaves ink.
bool drawsAll(const QFont& font, const QString& text);

// The family to draw in place of family: empty when family is installed or when the system's
// own stand-in draws all of text; else the installed family that does, preferring the ones
// with the widest coverage of writing systems, so that the choice does not hang on the
// locale. Empty too when no installed family draws it all.
QString pick(const QString& family, const QString& text);

// Every QFont of family, from now on, draws in pick(family, probeText()). Call before the
// first font of that family is used; repeated calls cost nothing. GUI thread only.
void settle(const QString& family);

} // namespace FontStandIn
