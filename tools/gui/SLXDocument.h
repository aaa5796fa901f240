// The SLX edit state: the one SLX graphic the editor works on, the frame it
// shows, the range it animates and the anchors its views are pinned to.
// Loading a graphic for display, for "Convert to SLP" or while compiling
// replaces it. The SLX editor and the auto-generation dialog observe it
// through its signals; none of them reaches into another's controls.
#pragma once

#include <QObject>
#include <cstdint>
#include <string>

#include "autogen/AutoGen.h"
#include "codec/SLX.h"
#include "common/Status.h"

namespace zorv::gui {

class SLXDocument : public QObject {
  Q_OBJECT

 public:
  SLXDocument() = default;

  const SLXGraphic& Graphic() const { return graphic_; }
  // For operations of the core that change the graphic in place (auto-
  // generation moves hot spots); they tell what they changed afterwards.
  SLXGraphic& Graphic() { return graphic_; }
  // Whether frame (from 1) is one of the graphic's listed frames.
  bool HasFrame(int32_t frame) const;

  int32_t CurrentFrame() const { return current_frame_; }
  int32_t AnimateFirst() const { return animate_first_; }
  int32_t AnimateLast() const { return animate_last_; }
  const ViewAnchors& Anchors() const { return anchors_; }
  // Whose colours the views show player-colour pixels in (1 to 8); a choice
  // of the session, kept in no file.
  int Player() const { return player_; }

  // Replaces the graphic. With show_editor the editor is asked for first
  // (editorRequested: shown, its frame slider reset to the new frame count
  // without its change handling); then the animation range becomes all
  // frames, the current frame 1, and graphicLoaded follows, on which an
  // editor that exists shows its first frame.
  void Load(SLXGraphic graphic, bool show_editor);
  // Reads the SLX file at path and loads it as Load does. A file that is not
  // an SLX file changes nothing; the failure says why.
  Status LoadFile(const std::string& path, bool show_editor);

  // The editor's slider moved to frame.
  void SetCurrentFrame(int32_t frame);
  void SetAnimationRange(int32_t first, int32_t last);
  // A frame's hot spot; frames outside the graphic are left alone. True when
  // the hot spot is now other than it was.
  bool SetHotSpot(int32_t frame, int32_t x, int32_t y);
  // Hot spots changed by an operation on Graphic().
  void HotSpotsChanged();
  void SetAnchors(const ViewAnchors& anchors) { anchors_ = anchors; }
  void SetColourAnchor(ViewPoint anchor) { anchors_.ColourAnchor = anchor; }
  void SetDataAnchor(ViewPoint anchor) { anchors_.DataAnchor = anchor; }
  // Another player's colours; players outside 1 to 8 are ignored.
  void SetPlayer(int player);

  // Requests to the editor on behalf of auto-generation:
  // move the frame slider to frame without showing the frame;
  void SelectFrame(int32_t frame);
  // make the slider cover every frame of the graphic again (a slider whose
  // range is another's goes back to frame 1);
  void ResetFrameRange();
  // show the generated frame: the frame as it now is, then the result's
  // bitmaps placed as the result says;
  void ShowGenerated(const AutoGenResult& result);
  // show the current frame again, as its files now are.
  void RedisplayFrame();

 signals:
  void editorRequested(int frame_count);
  void graphicLoaded();
  void currentFrameChanged(int frame);
  // frame 0: any number of frames changed.
  void hotSpotChanged(int frame);
  void frameSelected(int frame);
  void frameRangeReset(int frame_count);
  void frameGenerated(const zorv::AutoGenResult& result);
  void frameRedisplayRequested();
  void playerChanged(int player);

 private:
  SLXGraphic graphic_;
  int32_t current_frame_ = 1;
  int32_t animate_first_ = 1;
  int32_t animate_last_ = 0;
  ViewAnchors anchors_;
  int player_ = 1;
};

}  // namespace zorv::gui
