// What the program sets up once before its first window: the application title, Qt's
// Japanese translation (for the texts of the standard buttons) and the fonts that stand
// in for the Japanese fonts the program was drawn with, and Shift+F10 for the context menu.
#pragma once

class QApplication;

namespace skarvo::gui {

// Sets the title "Skarvo", loads qtbase_ja and maps "ＭＳ Ｐゴシック" / "ＭＳ ゴシック" to
// IPAPGothic / IPAGothic; Shift+F10 opens the focused control's context menu.
void SetUpApplication(QApplication& app);

}  // namespace skarvo::gui
