// Whether a text can be drawn without the missing-glyph box.
#ifndef SONOMOT_TESTS_GLYPH_CHECK_H_
#define SONOMOT_TESTS_GLYPH_CHECK_H_

#include <QFont>
#include <QGlyphRun>
#include <QString>
#include <QTextLayout>

// True when every character of text gets a real glyph when drawn in font,
// from the font itself or from the face the font system substitutes for
// characters it lacks (glyph 0 is the box drawn for a missing one).
inline bool HasEveryGlyph(const QFont& font, const QString& text) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  int nGlyphs = 0;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    for (quint32 nIndex : run.glyphIndexes()) {
      if (nIndex == 0) return false;
      ++nGlyphs;
    }
  }
  return nGlyphs > 0 || text.isEmpty();
}

#endif  // SONOMOT_TESTS_GLYPH_CHECK_H_
