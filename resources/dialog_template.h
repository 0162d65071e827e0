// Dialog template 129, the main dialog: its size in dialog units, its font,
// and its one control, the console (item 1000). Dialog units are a quarter
// of the font's average character width across and an eighth of its height
// down, so the window scales with its font.
#ifndef SONOMOT_RESOURCES_DIALOG_TEMPLATE_H_
#define SONOMOT_RESOURCES_DIALOG_TEMPLATE_H_

struct DialogItemTemplate {
  int nID;
  int x, y, cx, cy;  // dialog units
};

struct DialogTemplate {
  const char* pszCaption;
  int cx, cy;          // dialog units
  const char* pszFace;  // UTF-8
  int nPointSize;
  int nWeight;
  DialogItemTemplate console;
};

constexpr int IDD_MAINDLG = 129;
constexpr int IDC_SHELLEDIT = 1000;

constexpr DialogTemplate kMainDialogTemplate = {
    "Sonomot", 239, 115, "メイリオ", 8, 400, {IDC_SHELLEDIT, 0, 0, 237, 115}};

#endif  // SONOMOT_RESOURCES_DIALOG_TEMPLATE_H_
