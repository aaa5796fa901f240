// The fine drag of a central point: the point moves from where it was at the
// press by the pointer's movement divided by a factor, and the pointer wraps
// round the screen edges so the drag is never stopped by them.
#pragma once

#include <cstdint>
#include <functional>

namespace zorv {

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

class CentralPointDrag {
 public:
  // The frames dialog moves its central point at a twenty-fifth of the
  // pointer's speed.
  static constexpr int32_t kFramesFactor = 25;

  explicit CentralPointDrag(int32_t factor = kFramesFactor);

  // A drag starts with the central point and the pointer's screen position.
  void Start(ScreenPoint center, ScreenPoint pointer);

  // Puts the pointer somewhere on the screen; true when it is there now.
  using Warp = std::function<bool(ScreenPoint)>;

  // One pointer move to a screen position on a screen of the given size.
  // A pointer on an edge (tested right, left, bottom, top; only the first
  // that holds) is put one pixel inside the opposite edge, and the distance
  // it was put is remembered so later positions continue the movement.
  // Gives the new central point.
  ScreenPoint Move(ScreenPoint pointer, ScreenPoint screen, const Warp& warp);

  ScreenPoint Center() const { return center_; }
  // The total distance the pointer was put by wrapping.
  int64_t WrapX() const { return wrap_x_; }
  int64_t WrapY() const { return wrap_y_; }

 private:
  enum class Edge { None, Right, Left, Bottom, Top };

  int32_t factor_;
  ScreenPoint start_center_;
  ScreenPoint start_pointer_;
  ScreenPoint center_;
  int64_t wrap_x_ = 0;
  int64_t wrap_y_ = 0;
  // The edge the pointer was last put away from; moves reported there
  // afterwards were queued before the pointer moved and are stale.
  Edge left_edge_ = Edge::None;
};

}  // namespace zorv
