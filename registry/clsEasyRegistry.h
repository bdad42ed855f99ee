#pragma once
// clsEasyRegistry: the registry as a tree of directories addressed by path
// strings ("\HKEY_LOCAL_MACHINE\SOFTWARE\VANTOREL"), with one current key.
//
// Every registry result code goes through CheckApiResult: it is kept for
// lastError() and, unless SuppressErrors(true) was set, raised as ErrObject.
// Misuse of the class (bad root, ".." with no current key, a value of the
// wrong type) is raised always.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/RegKey.h"
#include "platform/modAPI.h"
#include "registry/ErrObject.h"
#include "registry/Variant.h"

// The kind of a registry value as ValueOf names it (lngValueType).
namespace ValueKind {
inline constexpr int32_t String = 0;       // REG_SZ
inline constexpr int32_t Binary = 1;       // REG_BINARY
inline constexpr int32_t DWord = 2;        // REG_DWORD
inline constexpr int32_t MultiString = 3;  // REG_MULTI_SZ (written only; reads back as String)
}  // namespace ValueKind

// What a value read returns: its data as text, as bytes, and as a number.
struct RegistryValue {
  std::string Text;
  std::vector<uint8_t> Bytes;
  double Number = 0;
};

class clsEasyRegistry {
 public:
  // Error numbers that the class raises.
  static constexpr int32_t ApiErrorNumber = static_cast<int32_t>(0x80040100u);
  static constexpr int32_t ClassErrorBase = static_cast<int32_t>(0x80040000u);

  // DirValue's rows: the table is indexed [row][column], one column per value.
  static constexpr int RowName = 0;
  static constexpr int RowData = 1;
  static constexpr int RowKind = 2;
  using ValueTable = std::array<std::vector<std::string>, 3>;

  clsEasyRegistry() = default;
  clsEasyRegistry(const clsEasyRegistry&) = delete;
  clsEasyRegistry& operator=(const clsEasyRegistry&) = delete;

  std::string CurrentKey() const { return strCurrentKey; }
  void Cd(std::string strDirectory);

  // Subkey names of the current key (the root names when there is none);
  // nothing when the key has no subkeys.
  std::optional<std::vector<std::string>> DirKey();
  // Values of the current key: rows name, display text, kind; nothing when
  // the key has no values or there is no current key.
  std::optional<ValueTable> DirValue();

  // Write: lngValueType is a ValueKind code and is not changed.
  void ValueOf(const std::string& strValueName, int32_t& lngValueType, const Variant& vntValue);
  // Read: lngValueType receives the kind of what was read.
  RegistryValue ValueOf(const std::string& strValueName, int32_t& lngValueType);

  void SuppressErrors(bool bMode) { bSuppressErrors = bMode; }
  bool SuppressErrors() const { return bSuppressErrors; }

  void MakeKey(std::string strDirectory);
  void DeleteKey(std::string strName);
  void DeleteValue(std::string strName);
  bool IsWindowsNT() const;
  int32_t lastError() const { return lngLastError; }

 private:
  void OpenPath(std::string strPath, REGSAM lngAccess);
  // The root's name and the key below it of a path that begins with "\".
  static std::string GetRootName(const std::string& strPath);
  static std::string GetSubKeyPath(const std::string& strPath);
  void CheckApiResult(LONG lngResult);
  [[noreturn]] static void RaiseClassError(int lngCode);
  static int16_t CountDimensions(const ByteArray& arr);

  std::string strCurrentKey;
  RegKey lngKeyHandle;  // the current key, held or not
  bool bSuppressErrors = false;
  int32_t lngLastError = 0;
};
