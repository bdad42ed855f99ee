#include "platform/RegValue.h"

LONG RegSetValueBytes(HKEY hKey, const char* lpValueName, DWORD dwType, const uint8_t* lpData, DWORD cbData) {
  std::vector<uint8_t> guarded(lpData, lpData + cbData);
  guarded.push_back(0xFF);
  return RegSetValueExA(hKey, lpValueName, 0, dwType, guarded.data(), cbData);
}
