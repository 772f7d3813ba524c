// The main window's size against the screen: a stored size larger than the screen's work
// area would cost memory for pixels nobody sees and be stored again at every close, so
// the window never starts or is stored larger than the area.
#pragma once

namespace skarvo {

// The desktop's work area (the screen without panels and task bars), in pixels. A size of
// 0 means it is not known, and nothing is clamped.
struct WorkArea {
  int width = 0;
  int height = 0;
};

// Cuts width and height down to the work area where they pass it; a known area's sides
// are at least 1, so the result is too. Smaller sizes stay as they are.
void ClampToWorkArea(int& width, int& height, const WorkArea& area);

}  // namespace skarvo
