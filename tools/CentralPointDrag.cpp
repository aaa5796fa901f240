#include "tools/CentralPointDrag.h"

#include <algorithm>
#include <limits>

namespace zorv {
namespace {

int64_t FloorDivide(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

CentralPointDrag::CentralPointDrag(int32_t factor) : factor_(factor > 0 ? factor : 1) {}

void CentralPointDrag::Start(ScreenPoint center, ScreenPoint pointer) {
  start_center_ = center;
  start_pointer_ = pointer;
  center_ = center;
  wrap_x_ = 0;
  wrap_y_ = 0;
  left_edge_ = Edge::None;
}

ScreenPoint CentralPointDrag::Move(ScreenPoint pointer, ScreenPoint screen, const Warp& warp) {
  const int32_t w = screen.x;
  const int32_t h = screen.y;
  // Too small a screen has no inside to put the pointer on.
  const bool can_wrap = w >= 4 && h >= 4 && warp;

  auto on_edge = [&](Edge edge) {
    switch (edge) {
      case Edge::Right: return pointer.x == w - 1;
      case Edge::Left: return pointer.x == 0;
      case Edge::Bottom: return pointer.y == h - 1;
      case Edge::Top: return pointer.y == 0;
      case Edge::None: break;
    }
    return false;
  };
  if (can_wrap && left_edge_ != Edge::None) {
    if (on_edge(left_edge_)) return center_;
    left_edge_ = Edge::None;
  }

  const int64_t moved_x = int64_t{pointer.x} + wrap_x_ - start_pointer_.x;
  const int64_t moved_y = int64_t{pointer.y} + wrap_y_ - start_pointer_.y;
  center_.x = ClampToInt32(start_center_.x + FloorDivide(moved_x, factor_));
  center_.y = ClampToInt32(start_center_.y + FloorDivide(moved_y, factor_));

  if (!can_wrap) return center_;
  // Putting the pointer from one edge to one pixel inside the other moves it
  // by the screen size less two; later positions get that distance back.
  if (on_edge(Edge::Right)) {
    if (warp({1, pointer.y})) {
      wrap_x_ += w - 2;
      left_edge_ = Edge::Right;
    }
  } else if (on_edge(Edge::Left)) {
    if (warp({w - 2, pointer.y})) {
      wrap_x_ -= w - 2;
      left_edge_ = Edge::Left;
    }
  } else if (on_edge(Edge::Bottom)) {
    if (warp({pointer.x, 1})) {
      wrap_y_ += h - 2;
      left_edge_ = Edge::Bottom;
    }
  } else if (on_edge(Edge::Top)) {
    if (warp({pointer.x, h - 2})) {
      wrap_y_ -= h - 2;
      left_edge_ = Edge::Top;
    }
  }
  return center_;
}

}  // namespace zorv
