// Where a console view scrolls so that the caret shows, the same for every
// back end that draws the console: lines up and down, pixels sideways.
#ifndef SONOMOT_CONSOLE_CARET_VIEW_H_
#define SONOMOT_CONSOLE_CARET_VIEW_H_

#include <algorithm>

// The first line shown, moved no further than needed to show nLine in a
// view of nVisible lines.
inline int FirstLineShowing(int nLine, int nFirstLine, int nVisible) {
  if (nLine < nFirstLine) return nLine;
  if (nLine >= nFirstLine + nVisible) return nLine - nVisible + 1;
  return nFirstLine;
}

// The sideways offset that shows a caret at x (nCaretWidth wide) in a view
// nWidth wide: when the caret leaves the view, a quarter of the width
// past it, as the edit control does.
inline int ScrollXShowing(int x, int nCaretWidth, int nScrollX, int nWidth) {
  if (x < nScrollX) return std::max(0, x - nWidth / 4);
  if (x + nCaretWidth > nScrollX + nWidth) return x + nCaretWidth - nWidth + nWidth / 4;
  return nScrollX;
}

#endif  // SONOMOT_CONSOLE_CARET_VIEW_H_
