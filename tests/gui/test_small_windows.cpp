#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QScrollBar>

#include "app/gui/EditorWindows.h"
#include "common/gui/Look.h"
#include "package/gui/ProgressIndicator.h"
#include "project/WeirdPicture.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tools/gui/ZoomForm.h"

namespace zorv::gui {
namespace {

// The small windows as the editor makes them, each in a fresh set.
class SmallWindowTest : public ::testing::Test {
 protected:
  test::ScriptedPlatform platform;
  // After the platform, so that the windows go first.
  EditorWindows windows;
};

using ZoomWindow = SmallWindowTest;
using ProgressWindow = SmallWindowTest;

TEST_F(ZoomWindow, SizesThePictureByTheZoomValue) {
  ZoomForm& zoom = windows.Zoom();
  ASSERT_TRUE(zoom.OriginalDIB.Create(36, 36));
  zoom.DrawImage();
  EXPECT_EQ(zoom.ZoomedImageBox()->size(), QSize(36, 36));
  EXPECT_GE(Twips(zoom.width()), 3000 - kTwipsPerPixel + 1);
  EXPECT_EQ(zoom.ZoomAmountDisplay()->text(), "100%");
  zoom.ZoomAmount()->setValue(25);
  EXPECT_EQ(zoom.ZoomAmountDisplay()->text(), "250%");
  EXPECT_EQ(zoom.ZoomedImageBox()->size(), QSize(90, 90));
  EXPECT_EQ(zoom.ZoomedImageBox()->pixmap().size(), QSize(90, 90));
  zoom.ZoomAmount()->setValue(1);
  EXPECT_EQ(zoom.ZoomAmountDisplay()->text(), "10%");
  EXPECT_EQ(zoom.ZoomedImageBox()->size(), QSize(3, 3));
  // A picture one pixel high still gets a window 1000 twips high.
  ASSERT_TRUE(zoom.OriginalDIB.Create(40, 1));
  zoom.DrawImage();
  EXPECT_GE(Twips(zoom.height()), 1000 - kTwipsPerPixel + 1);
}

TEST_F(ZoomWindow, HugePicturesAtHighZoomStayBounded) {
  ZoomForm& zoom = windows.Zoom();
  ASSERT_TRUE(zoom.OriginalDIB.Create(4000, 3000));
  zoom.ZoomAmount()->setValue(100);
  EXPECT_LE(Twips(zoom.width()), 32767);
  EXPECT_LE(Twips(zoom.height()), 32767);
  EXPECT_LE(zoom.ZoomedImageBox()->pixmap().width(), 32767 / kTwipsPerPixel);
}

TEST_F(ProgressWindow, StartsFromItsDesignAndSetsBarsAsFractions) {
  ProgressIndicator& progress = windows.ProgressWindow();
  progress.ShowFresh();
  EXPECT_EQ(progress.TitleLabel()->text(), "Compiling MPI file...");
  progress.SetProjectPartVisible(false);
  EXPECT_FALSE(progress.ProjectProgressMax()->isVisible());
  progress.SetFileProgress("Converting frame 2", 0.25);
  EXPECT_EQ(progress.FileProgressBar()->width(), progress.FileProgressMax()->width() / 4);
  EXPECT_EQ(progress.FileProgressBar()->x(), progress.FileProgressMax()->x());
  progress.Unload();
  EXPECT_FALSE(progress.isVisible());
  progress.ShowFresh();
  EXPECT_TRUE(progress.ProjectProgressMax()->isVisible());
  // Bars start empty, so a window showing no step yet never looks finished.
  EXPECT_EQ(progress.FileProgressBar()->width(), 0);
  EXPECT_EQ(progress.ProjectProgressBar()->width(), 0);
}

TEST_F(ProgressWindow, TheFileStepHidesWhileItsFullLengthStays) {
  ProgressIndicator& progress = windows.ProgressWindow();
  progress.ShowFresh();
  progress.SetFileStepVisible(false);
  EXPECT_FALSE(progress.FileProgressLabel()->isVisible());
  EXPECT_FALSE(progress.FileProgressBar()->isVisible());
  EXPECT_TRUE(progress.FileProgressMax()->isVisible());
  EXPECT_TRUE(progress.ProjectProgressBar()->isVisible());
  progress.SetFileStepVisible(true);
  EXPECT_TRUE(progress.FileProgressLabel()->isVisible());
  EXPECT_TRUE(progress.FileProgressBar()->isVisible());
  // A fresh showing has the whole file part again.
  progress.SetFileStepVisible(false);
  progress.Unload();
  progress.ShowFresh();
  EXPECT_TRUE(progress.FileProgressLabel()->isVisible());
  EXPECT_TRUE(progress.FileProgressBar()->isVisible());
}

TEST(HiddenAnimation, TicksPaintTheirDiagonalAndStopBeforeOverflow) {
  auto first = WeirdPictureTick(0);
  ASSERT_TRUE(first);
  ASSERT_EQ(first->size(), 1u);
  EXPECT_EQ((*first)[0].x, 138);
  EXPECT_EQ((*first)[0].y, 0);
  auto hundred = WeirdPictureTick(100);
  ASSERT_TRUE(hundred);
  ASSERT_EQ(hundred->size(), 22u);  // i from 4 to 25
  EXPECT_EQ(hundred->front().x, 142);
  EXPECT_EQ(hundred->back().x, 163);
  for (const auto& p : *hundred) EXPECT_EQ(p.x + p.y, 238);
  EXPECT_TRUE(WeirdPictureTick(9000));
  EXPECT_FALSE(WeirdPictureTick(12000));
}

TEST(FileFilters, BecomeQtFilters) {
  EXPECT_EQ(QtFilter("Mod Project file (*.mpr)|*.mpr"), "Mod Project file (*.mpr)");
  EXPECT_EQ(QtFilter("Data files (slp, wav)|*.slp;*.wav"), "Data files (*.slp *.wav)");
}

}  // namespace
}  // namespace zorv::gui
