// The About box: its texts, its one instance, its links, and what its
// control table guarantees to every platform that lays it out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "tests/RecordingRuntime.h"
#include "vtr_version.h"

namespace {

using Lines = std::vector<std::string>;

class AboutBox : public ::testing::Test {
 protected:
  void TearDown() override {
    if (about.IsLoaded()) about.Unload();
  }
  RecordingRuntime runtime;
  frmAbout& about = frmAbout::Default();
};

TEST_F(AboutBox, LoadingSetsItsTextsUnderTheBusyPointerAndShowingItAgainBringsTheSameBox) {
  runtime.SetMousePointer(vbArrow);
  runtime.Calls.clear();
  about.Show();
  about.Show();
  EXPECT_EQ(Lines({about.Caption, about.lblTitle.Caption, about.lblVersion.Caption}),
            (Lines{"About Vantorel", "Vantorel", "Version " VTR_VERSION_TEXT " - BETA RELEASE 3"}));
  // The texts reach the window under the hourglass; the pointer it found comes back.
  EXPECT_EQ(runtime.Calls, (Lines{"CreateFormWindow frmAbout", "MousePointer 11",
                                  "UpdateFormWindow frmAbout ShowInTaskbar=1", "MousePointer 1", "ShowForm frmAbout",
                                  "ShowForm frmAbout"}));
}

TEST_F(AboutBox, EachLinkOpensExactlyItsLabelsTextFromCDriveAndTheBoxStaysOpen) {
  about.Show();
  runtime.Calls.clear();
  about.RaiseClick(about.lblWebSite);
  about.lblAddInSite.Caption = "http://example.invalid/other";  // what the label shows is what opens
  about.RaiseClick(about.lblAddInSite);

  // Owned by the box's window; no verb (the default) and no parameters; shown
  // normally (1); and nothing else, no message.
  EXPECT_EQ(runtime.Calls,
            (Lines{"ShellExecuteA frmAbout (null) " + std::string(frmAbout::WebSiteAddress) + " (null) c:\\ 1",
                   "ShellExecuteA frmAbout (null) http://example.invalid/other (null) c:\\ 1"}));
  EXPECT_TRUE(about.IsLoaded());
}

// What the control table must guarantee wherever it is laid out: every
// control lies inside its container and the box's client area, the two links
// and only they look and act like links, and OK is both the default and the
// cancel button. (Whether the texts fit their controls in the real fonts is
// checked where they are drawn, by the Windows runtime's tests at two DPIs;
// that OK closes the box, by test_frmSysTray.cpp and the program's tests.)
TEST_F(AboutBox, EveryControlLiesInsideItsContainerAndOnlyTheLinksLookLikeLinks) {
  int buttons = 0;
  for (const Control* control : about.Controls) {
    SCOPED_TRACE(control->Name);
    const Control* box = control->Container;
    EXPECT_TRUE(control->Width > 0 && control->Height > 0 && control->Left >= 0 && control->Top >= 0);
    EXPECT_LE(control->Left + control->Width, box ? box->Width : about.ClientWidth);
    EXPECT_LE(control->Top + control->Height, box ? box->Height : about.ClientHeight);
    const bool link = control == &about.lblWebSite || control == &about.lblAddInSite;
    EXPECT_EQ(control->Kind == ControlKind::LinkLabel, link);
    EXPECT_EQ(control->Font.Underline, link);
    EXPECT_EQ(control->MousePointer == vbCustom && control->MouseIcon == &frmAbout::HandCursor, link);
    // Blue, and showing the address it opens.
    EXPECT_TRUE(!link || (control->ForeColor == ColorRGB(0, 0, 255) && control->Caption.rfind("http://", 0) == 0));
    buttons += control->Kind == ControlKind::CommandButton;
  }
  // The four texts of the frame are inside it.
  for (const Control* inside : {&about.Label2, &about.lblWebSite, &about.Label3, &about.lblAddInSite})
    EXPECT_EQ(inside->Container, &about.Frame1) << inside->Name;

  EXPECT_TRUE(buttons == 1 && about.cmdOK.Default && about.cmdOK.Cancel && about.cmdOK.Caption == "OK");
}

}  // namespace
