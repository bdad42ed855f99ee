#pragma once
// Resource identifiers of the program: the forms name their pictures and
// cursors by these, and each runtime finds them by them (the Windows one in
// the program's resource script, beside its WinMain). Plain numbers, for
// the resource compiler too.

// The program's icon; the first icon group is the one Explorer shows for the .exe.
#define IDI_PROGRAM 1
// The pointing hand over the About box's links.
#define IDC_VTRLINKHAND 2
