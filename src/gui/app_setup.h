// What the program sets up once before its first window: the application title, Qt's
// Japanese translation (for the texts of the standard buttons) and the fonts that stand
// in for the Japanese fonts the program was drawn with.
#pragma once

class QApplication;

namespace skarvo::gui {

// Sets the title "Skarvo", loads qtbase_ja and maps "ＭＳ Ｐゴシック" / "ＭＳ ゴシック" to
// IPAPGothic / IPAGothic.
void SetUpApplication(QApplication& app);

}  // namespace skarvo::gui
