// The About box: its texts, its one instance, its links, and the control
// table that every platform lays out.
#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>
#include <string>

#include "about/frmAbout.h"
#include "tests/RecordingRuntime.h"
#include "vtr_version.h"

namespace {

class AboutBox : public ::testing::Test {
 protected:
  void TearDown() override {
    if (about.IsLoaded()) about.Unload();
  }
  RecordingRuntime runtime;
  frmAbout& about = frmAbout::Default();
};

TEST_F(AboutBox, LoadingSetsCaptionTitleAndTheBuildsVersionUnderTheBusyPointer) {
  about.Show();
  ASSERT_TRUE(about.IsLoaded());
  EXPECT_EQ(about.Caption, "About Vantorel");
  EXPECT_EQ(about.lblTitle.Caption, "Vantorel");
  EXPECT_EQ(about.lblVersion.Caption, "Version " + std::to_string(VTR_VERSION_MAJOR) + "." +
                                          std::to_string(VTR_VERSION_MINOR) + "." +
                                          std::to_string(VTR_VERSION_REVISION) + " - BETA RELEASE 3");
  EXPECT_EQ(about.lblVersion.Caption, "Version 3.2.0 - BETA RELEASE 3");  // this release
  EXPECT_EQ(runtime.PointerShapes, (std::vector<int16_t>{vbHourglass, vbDefault}));
  EXPECT_EQ(runtime.ShownForms, (std::vector<std::string>{"frmAbout"}));
}

TEST_F(AboutBox, ShowingItAgainWhileOpenBringsTheSameBoxToTheFront) {
  about.Show();
  about.Show();
  EXPECT_EQ(runtime.WindowsCreated, 1);
  EXPECT_EQ(runtime.ShownForms.size(), 2u);
  EXPECT_EQ(runtime.Forms().size(), 1u);
  EXPECT_EQ(about.lblVersion.Caption, "Version 3.2.0 - BETA RELEASE 3");
}

TEST_F(AboutBox, EachLinkOpensExactlyItsLabelsTextFromCDriveAndTheBoxStaysOpen) {
  about.Show();
  about.RaiseClick(about.lblWebSite);
  about.lblAddInSite.Caption = "http://example.invalid/other";  // what the label shows is what opens
  about.RaiseClick(about.lblAddInSite);

  ASSERT_EQ(runtime.ShellExecutes.size(), 2u);
  const auto& web = runtime.ShellExecutes[0];
  EXPECT_EQ(web.hwnd, about.hWnd());
  EXPECT_NE(web.hwnd, nullptr);
  EXPECT_FALSE(web.Operation.has_value());
  EXPECT_EQ(web.File, std::string(frmAbout::WebSiteAddress));
  EXPECT_FALSE(web.Parameters.has_value());
  EXPECT_EQ(web.Directory, std::string("c:\\"));
  EXPECT_EQ(web.ShowCmd, 1);
  EXPECT_EQ(runtime.ShellExecutes[1].File, std::string("http://example.invalid/other"));
  EXPECT_EQ(runtime.ShellExecutes[1].Directory, std::string("c:\\"));
  EXPECT_TRUE(about.IsLoaded());
  EXPECT_TRUE(runtime.MsgBoxes.empty());
}

// The control table as designed: every place and size in twips (relative to
// Frame1 for the four controls inside it), font, text colour and alignment.
TEST_F(AboutBox, ControlTableHasTheDesignedPlacesFontsAndColours) {
  constexpr OLE_COLOR Purple = ColorRGB(128, 0, 128), Blue = ColorRGB(0, 0, 255), Black = ColorRGB(0, 0, 0);
  struct Row {
    const Control* control;
    ControlKind kind;
    const Control* container;
    int32_t left, top, width, height;
    float size;
    bool bold, underline;
    OLE_COLOR color;
    AlignmentConstants alignment;
  };
  const Control* frame = &about.Frame1;
  const ControlKind Label = ControlKind::Label, Link = ControlKind::LinkLabel;
  const Row rows[] = {
      {&about.Picture1, ControlKind::PictureBox, nullptr, 120, 120, 480, 480, 8.25f, false, false, vbButtonText,
       vbLeftJustify},
      {&about.lblTitle, Label, nullptr, 690, 210, 2145, 300, 9.75f, true, false, Purple, vbLeftJustify},
      {&about.lblVersion, Label, nullptr, 2940, 255, 2685, 225, 8.25f, false, false, vbButtonText, vbRightJustify},
      {&about.Frame1, ControlKind::Frame, nullptr, 60, 600, 5592, 1995, 8.25f, false, false, vbButtonText,
       vbLeftJustify},
      {&about.Label2, Label, frame, 1140, 960, 3375, 195, 8.25f, false, false, vbButtonText, vbCenter},
      {&about.lblWebSite, Link, frame, 1140, 1140, 3375, 195, 8.25f, false, true, Blue, vbCenter},
      {&about.Label3, Label, frame, 1140, 1500, 3375, 195, 8.25f, false, false, vbButtonText, vbCenter},
      {&about.lblAddInSite, Link, frame, 990, 1680, 3675, 195, 8.25f, false, true, Blue, vbCenter},
      {&about.lblDescription, Label, nullptr, 60, 2700, 5565, 270, 8.25f, false, false, Black, vbCenter},
      {&about.lblDisclaimer, Label, nullptr, 75, 3000, 4230, 975, 8.25f, false, false, Black, vbLeftJustify},
      {&about.cmdOK, ControlKind::CommandButton, nullptr, 4380, 3600, 1260, 345, 8.25f, false, false,
       vbButtonText, vbLeftJustify},
  };
  ASSERT_EQ(about.Controls.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const Control& control = *row.control;
    SCOPED_TRACE(control.Name);
    EXPECT_EQ(about.Controls[i], row.control) << "tab order";
    EXPECT_EQ(control.Kind, row.kind);
    EXPECT_EQ(control.Container, row.container);
    EXPECT_EQ(control.Left, row.left);
    EXPECT_EQ(control.Top, row.top);
    EXPECT_EQ(control.Width, row.width);
    EXPECT_EQ(control.Height, row.height);
    EXPECT_EQ(control.Font.Name, "MS Sans Serif");
    EXPECT_FLOAT_EQ(control.Font.Size, row.size);
    EXPECT_EQ(control.Font.Bold, row.bold);
    EXPECT_EQ(control.Font.Underline, row.underline);
    EXPECT_EQ(control.ForeColor, row.color);
    EXPECT_EQ(control.BackColor, vbButtonFace);
    EXPECT_EQ(control.Alignment, row.alignment);
  }
  EXPECT_TRUE(about.Picture1.ShowsProgramIcon);
  EXPECT_EQ(about.Frame1.Caption, "") << "a frame without a caption";
  EXPECT_TRUE(about.lblDisclaimer.WordWrap);
}

}  // namespace
