#include "app/window_size.h"

#include <algorithm>

namespace skarvo {

void ClampToWorkArea(int& width, int& height, const WorkArea& area) {
  if (area.width > 0) width = std::clamp(width, 1, area.width);
  if (area.height > 0) height = std::clamp(height, 1, area.height);
}

}  // namespace skarvo
