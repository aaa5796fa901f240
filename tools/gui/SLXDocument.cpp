#include "tools/gui/SLXDocument.h"

#include <utility>

#include "codec/PlayerColours.h"

namespace zorv::gui {

bool SLXDocument::HasFrame(int32_t frame) const {
  return frame >= 1 && frame <= graphic_.FrameCount &&
         static_cast<size_t>(frame) <= graphic_.Frames.size();
}

void SLXDocument::Load(SLXGraphic graphic, bool show_editor) {
  // The editor's slider is reset before the new frames are in place; its
  // change handling is off meanwhile, so nothing shows a frame of either
  // graphic until graphicLoaded.
  if (show_editor) emit editorRequested(graphic.FrameCount);
  animate_first_ = 1;
  animate_last_ = graphic.FrameCount;
  graphic_ = std::move(graphic);
  current_frame_ = 1;
  emit graphicLoaded();
}

Status SLXDocument::LoadFile(const std::string& path, bool show_editor) {
  SLXGraphic graphic;
  if (Status loaded = LoadSLX(path, graphic); !loaded) return loaded;
  Load(std::move(graphic), show_editor);
  return Status::Ok();
}

void SLXDocument::SetCurrentFrame(int32_t frame) {
  if (frame == current_frame_) return;
  current_frame_ = frame;
  emit currentFrameChanged(frame);
}

void SLXDocument::SetAnimationRange(int32_t first, int32_t last) {
  animate_first_ = first;
  animate_last_ = last;
}

bool SLXDocument::SetHotSpot(int32_t frame, int32_t x, int32_t y) {
  if (!HasFrame(frame)) return false;
  SLXFrame& target = graphic_.Frame(frame);
  if (target.CenterX == x && target.CenterY == y) return false;
  target.CenterX = x;
  target.CenterY = y;
  emit hotSpotChanged(frame);
  return true;
}

void SLXDocument::HotSpotsChanged() { emit hotSpotChanged(0); }

void SLXDocument::SelectFrame(int32_t frame) {
  SetCurrentFrame(frame);
  emit frameSelected(frame);
}

void SLXDocument::ResetFrameRange() { emit frameRangeReset(graphic_.FrameCount); }

void SLXDocument::ShowGenerated(const AutoGenResult& result) { emit frameGenerated(result); }

void SLXDocument::RedisplayFrame() { emit frameRedisplayRequested(); }

void SLXDocument::SetPlayer(int player) {
  if (player < kMinPlayer || player > kMaxPlayer || player == player_) return;
  player_ = player;
  emit playerChanged(player);
}

}  // namespace zorv::gui
