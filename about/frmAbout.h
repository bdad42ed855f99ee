#pragma once
// frmAbout: the About box. Its controls are described here once, as data
// (kind, place and size in twips, text, font, colours, alignment, cursor),
// and each platform's window runtime lays them out from this description.
//
// The program has one About box (Default()); showing it again while it is
// open brings it to the front.
#include <string>

#include "platform/Form.h"

class frmAbout : public Form {
 public:
  // The two addresses that the link labels show and open.
  static const char* const WebSiteAddress;
  static const char* const AddInSiteAddress;
  // The pointing hand shown over the link labels.
  static const CursorSpec HandCursor;

  frmAbout();

  // The program's one About box.
  static frmAbout& Default();

  Control Picture1;
  Control lblTitle;
  Control lblVersion;
  Control Frame1;
  Control Label2;
  Control lblWebSite;
  Control Label3;
  Control lblAddInSite;
  Control lblDescription;
  Control lblDisclaimer;
  Control cmdOK;

  void Form_Load() override;
  void cmdOK_Click();
  void lblWebSite_Click();
  void lblAddInSite_Click();

 private:
  void OpenAddress(const Control& label);
};
