// The About box: its texts, its one instance, its links, and what its
// control table guarantees to every platform that lays it out.
#include <gtest/gtest.h>

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
  EXPECT_EQ(about.lblVersion.Caption, "Version " VTR_VERSION_TEXT " - BETA RELEASE 3");
  EXPECT_EQ(runtime.PointerShapes, (std::vector<int16_t>{vbHourglass, vbDefault}));
  EXPECT_EQ(runtime.ShownForms, (std::vector<std::string>{"frmAbout"}));
}

TEST_F(AboutBox, LoadingGivesBackThePointerItFound) {
  runtime.SetMousePointer(vbArrow);
  runtime.PointerShapes.clear();
  about.Show();
  EXPECT_EQ(runtime.PointerShapes, (std::vector<int16_t>{vbHourglass, vbArrow}));
  EXPECT_EQ(runtime.MousePointer(), vbArrow);
}

TEST_F(AboutBox, ShowingItAgainWhileOpenBringsTheSameBoxToTheFront) {
  about.Show();
  about.Show();
  EXPECT_EQ(runtime.WindowsCreated, 1);
  EXPECT_EQ(runtime.ShownForms.size(), 2u);
  EXPECT_EQ(runtime.Forms().size(), 1u);
  EXPECT_EQ(about.lblVersion.Caption, "Version " VTR_VERSION_TEXT " - BETA RELEASE 3");
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

// What the control table must guarantee wherever it is laid out: every
// control lies inside its container and the box's client area, the links
// look and act like links, and OK is both the default and the cancel button.
// (Whether the texts fit their controls in the real fonts is checked where
// they are drawn, by the Windows runtime's tests at two DPIs.)
TEST_F(AboutBox, EveryControlLiesInsideItsContainerAndTheBox) {
  ASSERT_FALSE(about.Controls.empty());
  for (const Control* control : about.Controls) {
    SCOPED_TRACE(control->Name);
    EXPECT_GT(control->Width, 0);
    EXPECT_GT(control->Height, 0);
    EXPECT_GE(control->Left, 0);
    EXPECT_GE(control->Top, 0);
    const int32_t right = control->Container ? control->Container->Width : about.ClientWidth;
    const int32_t bottom = control->Container ? control->Container->Height : about.ClientHeight;
    EXPECT_LE(control->Left + control->Width, right) << "inside its container";
    EXPECT_LE(control->Top + control->Height, bottom) << "inside its container";
  }
  // The four texts of the frame are inside it.
  for (const Control* inside : {&about.Label2, &about.lblWebSite, &about.Label3, &about.lblAddInSite})
    EXPECT_EQ(inside->Container, &about.Frame1) << inside->Name;
}

TEST_F(AboutBox, TheLinksLookLikeLinksAndOkAnswersEnterAndEsc) {
  about.Show();
  for (const Control* link : {&about.lblWebSite, &about.lblAddInSite}) {
    SCOPED_TRACE(link->Name);
    EXPECT_EQ(link->Kind, ControlKind::LinkLabel);
    EXPECT_TRUE(link->Font.Underline);
    EXPECT_EQ(link->ForeColor, ColorRGB(0, 0, 255));
    EXPECT_EQ(link->MousePointer, vbCustom);
    EXPECT_EQ(link->MouseIcon, &frmAbout::HandCursor);
    EXPECT_EQ(link->Caption.rfind("http://", 0), 0u) << "it shows the address it opens";
  }
  // No other control takes the hand or looks like a link.
  for (const Control* control : about.Controls) {
    if (control == &about.lblWebSite || control == &about.lblAddInSite) continue;
    EXPECT_NE(control->MousePointer, vbCustom) << control->Name;
    EXPECT_FALSE(control->Font.Underline) << control->Name;
  }
  int buttons = 0;
  for (const Control* control : about.Controls) buttons += control->Kind == ControlKind::CommandButton;
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(about.cmdOK.Kind, ControlKind::CommandButton);
  EXPECT_TRUE(about.cmdOK.Default);
  EXPECT_TRUE(about.cmdOK.Cancel);
  EXPECT_EQ(about.cmdOK.Caption, "OK");
  about.RaiseClick(about.cmdOK);
  EXPECT_FALSE(about.IsLoaded()) << "OK closes the box";
}

}  // namespace
