#pragma once
// frmSysTray: the program's one permanent form. It is never shown: it owns
// the tray icon, receives the icon's callbacks as mouse moves, carries the
// popup menu, and its unload ends the program (unless the About box is
// still open).
#include <cstdint>
#include <string>

#include "platform/Form.h"

class frmSysTray : public Form {
 public:
  frmSysTray();

  // The main program's executable, or "" when none was found; set once by Form_Load.
  std::string strAppPath;
  // True exactly when strAppPath is not empty.
  bool bAppFound = false;

  // The menu tree; the popup shows mnuConfigure's submenu.
  MenuItem mnuConfigure{"mnuConfigure", "&Configure"};
  MenuItem mnuOpen{"mnuOpen", "&Open Vantorel..."};
  MenuItem mnuSep_01{"mnuSep_01", "-"};
  MenuItem mnuClose{"mnuClose", "&Close"};
  MenuItem mnuCloseDisable{"mnuCloseDisable", "Close and &Disable"};
  MenuItem mnuSep1{"mnuSep1", "-"};
  MenuItem mnuAbout{"mnuAbout", "&About Vantorel"};
  MenuItem sepRecent{"sepRecent", "-", false};
  MenuItemArray mnuFileRecent{"mnuFileRecent", 1, {"&1. ", "&2. ", "&3. ", "&4. ", "&5. "}, false};

  void Form_Load() override;
  void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) override;
  void Form_Unload(int16_t& Cancel) override;
  void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) override;

  void mnuOpen_Click();
  void mnuFileRecent_Click(int16_t& Index);
  void mnuAbout_Click();
  void mnuClose_Click();
  void mnuCloseDisable_Click();

 private:
  void RefreshRecentMenu();
  // Starts the main program with a command line; false when it did not start.
  bool LaunchMainProgram(const std::string& strCommandLine);
};
