#pragma once
// The tray icon's tooltip: its rule, told here and nowhere else.
//
// The program puts its tip into szTip of the icon record's first form
// (cbSize NOTIFYICONDATAA_V1_SIZE, 88 bytes in the 32-bit program and on the
// substitute platform) as exactly 64 characters: blank-filled, or cut after
// the 64th, with no zero of its own (PutTrayTip). A shell reads szTip as a C
// string, so a zero must follow those 64 characters, and nothing foreign:
// the record lives in zeroed memory that reaches past it (TrayIconRecord),
// and whatever stands in for the shell, or hands a record on to it, takes
// the record as ShellRecord copies it. The text the shell shows is that
// copy's Tip().
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ShellAPI.h"

// The characters of szTip that the tip fills.
inline constexpr std::size_t TrayTipLength = 64;

struct TrayIconRecord {
  NOTIFYICONDATAA Record{};
  // Never written: where the record ends with its tooltip field (the
  // substitute platform's 88-byte record), the zero behind it.
  CHAR Terminator[8]{};

  // The text a shell shows: szTip up to its first zero, at most 64 characters.
  std::string Tip() const;
};

// Puts a tip into record.szTip: blank-filled or cut to 64 characters, no zero.
void PutTrayTip(NOTIFYICONDATAA& record, std::string_view tip);

// The record as a shell is handed it: data's first cbSize bytes (at most a
// whole record), the rest zero.
TrayIconRecord ShellRecord(const NOTIFYICONDATAA& data);
