#pragma once
// The tray icon's record as the shell is handed it: a NOTIFYICONDATAA in
// zeroed memory that reaches past the record. The tooltip field of the
// record's first form (cbSize NOTIFYICONDATAA_V1_SIZE, 88 bytes in the
// 32-bit program and on the substitute platform) holds 64 characters and no
// zero of its own; a shell that reads it as a C string finds a zero after it
// and nothing foreign.
#include "platform/ShellAPI.h"

struct TrayIconRecord {
  NOTIFYICONDATAA Record{};
  // Never written: where the record ends with its tooltip field (the
  // substitute platform's 88-byte record), the zero behind it.
  CHAR Terminator[8]{};

  // Record becomes data's first cbSize bytes (at most a whole record), the
  // rest zero.
  void Assign(const NOTIFYICONDATAA& data);
};
