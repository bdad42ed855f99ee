#include "about/frmAbout.h"

#include <functional>
#include <string>
#include <utility>

#include "platform/BusyPointer.h"
#include "platform/WindowRuntime.h"
#include "platform/resource.h"

const char* const frmAbout::WebSiteAddress = "http://www.vantorel.com/vantorel";
const char* const frmAbout::AddInSiteAddress = "http://www.vantorel.com/vantorel/addins";
const CursorSpec frmAbout::HandCursor{IDC_VTRLINKHAND};

namespace {

constexpr OLE_COLOR Purple = ColorRGB(128, 0, 128);
constexpr OLE_COLOR Blue = ColorRGB(0, 0, 255);
constexpr OLE_COLOR Black = ColorRGB(0, 0, 0);

// A link label: it shows its address in the link look and opens it when clicked.
void MakeLink(Control& label, const char* address, std::function<void()> click) {
  label.Caption = address;
  label.Click = std::move(click);
  label.ForeColor = Blue;
  label.Font.Underline = true;
  label.Alignment = vbCenter;
  label.MousePointer = vbCustom;
  label.MouseIcon = &frmAbout::HandCursor;
}

}  // namespace

frmAbout::frmAbout()
    : Form("frmAbout"),
      Picture1("Picture1", ControlKind::PictureBox, nullptr, 120, 120, 480, 480),
      lblTitle("lblTitle", ControlKind::Label, nullptr, 690, 210, 2145, 300),
      lblVersion("lblVersion", ControlKind::Label, nullptr, 2940, 255, 2685, 225),
      Frame1("Frame1", ControlKind::Frame, nullptr, 60, 600, 5592, 1995),
      Label2("Label2", ControlKind::Label, &Frame1, 1140, 960, 3375, 195),
      lblWebSite("lblWebSite", ControlKind::LinkLabel, &Frame1, 1140, 1140, 3375, 195),
      Label3("Label3", ControlKind::Label, &Frame1, 1140, 1500, 3375, 195),
      lblAddInSite("lblAddInSite", ControlKind::LinkLabel, &Frame1, 990, 1680, 3675, 195),
      lblDescription("lblDescription", ControlKind::Label, nullptr, 60, 2700, 5565, 270),
      lblDisclaimer("lblDisclaimer", ControlKind::Label, nullptr, 75, 3000, 4230, 975),
      cmdOK("cmdOK", ControlKind::CommandButton, nullptr, 4380, 3600, 1260, 345) {
  BorderStyle = vbFixedDialog;
  MinButton = false;
  MaxButton = false;
  ClientWidth = 5715;
  ClientHeight = 4020;

  Picture1.ShowsProgramIcon = true;

  lblTitle.Font.Size = 9.75f;
  lblTitle.Font.Bold = true;
  lblTitle.ForeColor = Purple;
  lblTitle.Alignment = vbLeftJustify;

  lblVersion.Alignment = vbRightJustify;

  Label2.Caption = "For the latest version of Vantorel visit:";
  Label2.Alignment = vbCenter;
  MakeLink(lblWebSite, WebSiteAddress, [this] { lblWebSite_Click(); });

  Label3.Caption = "For the latest Vantorel Add-Ins visit:";
  Label3.Alignment = vbCenter;
  MakeLink(lblAddInSite, AddInSiteAddress, [this] { lblAddInSite_Click(); });

  lblDescription.Caption = "Vantorel and its recent files, one click from the taskbar.";
  lblDescription.Alignment = vbCenter;
  lblDescription.ForeColor = Black;

  lblDisclaimer.Caption =
      "Warning: this program is protected by copyright law and international treaties.  "
      "Copying or distributing it, in whole or in part, without the permission of its "
      "authors is not allowed.";
  lblDisclaimer.Alignment = vbLeftJustify;
  lblDisclaimer.ForeColor = Black;
  lblDisclaimer.WordWrap = true;

  cmdOK.Caption = "OK";
  cmdOK.Default = true;
  cmdOK.Cancel = true;
  cmdOK.Click = [this] { cmdOK_Click(); };

  Controls = {&Picture1, &lblTitle,     &lblVersion,     &Frame1,        &Label2, &lblWebSite,
              &Label3,   &lblAddInSite, &lblDescription, &lblDisclaimer, &cmdOK};
}

frmAbout& frmAbout::Default() {
  static frmAbout box;
  return box;
}

void frmAbout::Form_Load() {
  WindowRuntime& runtime = Runtime();
  BusyPointer busy(runtime, BusyPointer::Then::Previous);
  Caption = "About Vantorel";
  AppInfo app = runtime.App();
  lblVersion.Caption = "Version " + std::to_string(app.Major) + "." + std::to_string(app.Minor) + "." +
                       std::to_string(app.Revision);
  lblVersion.Caption += " - BETA RELEASE 3";
  lblTitle.Caption = "Vantorel";
  Refresh();
}

void frmAbout::cmdOK_Click() { Unload(vbFormCode); }

void frmAbout::lblWebSite_Click() { OpenAddress(lblWebSite); }

void frmAbout::lblAddInSite_Click() { OpenAddress(lblAddInSite); }

void frmAbout::OpenAddress(const Control& label) {
  std::string address = label.Caption;
  // A browser that does not start changes nothing here: the result is not used.
  (void)Runtime().Shell().ShellExecuteA(hWnd(), nullptr, address.c_str(), nullptr, "c:\\", SW_SHOWNORMAL);
}
