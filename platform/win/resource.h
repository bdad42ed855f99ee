#pragma once
// Resource identifiers of the Windows program, shared by VtrSysTray.rc and
// the window runtime that loads them.

// The first icon group is the one Explorer shows for the .exe.
#define IDI_VTRSYSTRAY 1
// The pointing hand over the About box's links.
#define IDC_VTRLINKHAND 2
