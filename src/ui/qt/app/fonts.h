#pragma once
// The window fonts are named as on a Chinese Windows system; map them to an
// installed font with Chinese glyphs so that every caption renders.
void installChineseFontSubstitutions();
