#include "registry/clsEasyRegistry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/Hex.h"
#include "platform/RegPath.h"
#include "platform/RegRoot.h"
#include "platform/RegValue.h"
#include "platform/Strings.h"

namespace {

const char* const kApiSource = "EasyRegistry[API Call]";
const char* const kClassSource = "EasyRegistry";
const char* const kValueOfSource = "EasyRegistry [Let ValueOf]";

constexpr DWORD kListBufferSize = 1024;

std::string ApiErrorDescription(LONG code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return "Key/Value does not exist.";
    case ERROR_ACCESS_DENIED: return "Access to Registry Denied.";
    case ERROR_OUTOFMEMORY: return "Out of memory.";
    case ERROR_INVALID_PARAMETER: return "Invalid Parameter.";
    case ERROR_BADDB: return "Corrupt Registry Database!";
    case ERROR_BADKEY: return "Key name is bad.";
    case ERROR_CANTOPEN: return "Cannot Open Key.";
    case ERROR_CANTREAD: return "Cannot Read Key.";
    case ERROR_CANTWRITE: return "Cannot Write Key.";
    default: return "Undefined key error code!";
  }
}



// REG_BINARY as text: each byte in hex without leading zeros, one blank between.
std::string HexBytesText(const uint8_t* data, size_t size) {
  std::string text;
  text.reserve(size * 3);
  for (size_t i = 0; i < size; ++i) {
    if (i != 0) text += ' ';
    AppendHex(text, data[i], 1);
  }
  return text;
}

// REG_DWORD data is little-endian, taken 16 bits at a time. An odd length
// leaves the last pair without its high byte, which counts as 0; nothing past
// the data is read.
unsigned DwordPair(const uint8_t* data, size_t size, size_t low) {
  const unsigned high = low + 1 < size ? data[low + 1] : 0u;
  return high * 256u + data[low];
}

double DwordNumber(const uint8_t* data, size_t size) {
  double number = 0;
  double weight = 1;
  for (size_t i = 0; i < size; ++i, weight *= 256.0) number += data[i] * weight;
  return number;
}

// The hex digits of the pairs, most significant pair first, four digits each.
std::string DwordHexText(const uint8_t* data, size_t size) {
  std::string text;
  const size_t pairs = (size + 1) / 2;
  text.reserve(pairs * 4);
  for (size_t p = pairs; p-- > 0;) AppendHex(text, DwordPair(data, size, p * 2), 4);
  return text;
}

// The pattern "0,000,000,000": at least ten digits, grouped by three.
std::string GroupedDecimal(double number, const std::string& separator) {
  std::string digits;
  if (number < 18446744073709551616.0) {
    digits = std::to_string(static_cast<unsigned long long>(number));
  } else {  // data longer than eight bytes
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", number);
    digits = buffer;
    if (digits.find_first_not_of("0123456789") != std::string::npos) return digits;  // inf
  }
  if (digits.size() < 10) digits.insert(0, 10 - digits.size(), '0');
  std::string text;
  text.reserve(digits.size() + (digits.size() / 3) * separator.size());
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) text += separator;
    text += digits[i];
  }
  return text;
}

std::string DigitGroupingSeparator() {
  char separator[16] = {0};
  const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator,
                                    static_cast<int>(sizeof separator));
  if (length <= 0) return ",";
  return std::string(separator, strnlen(separator, sizeof separator));
}

}  // namespace

void clsEasyRegistry::Cd(std::string strDirectory) { OpenPath(std::move(strDirectory), KEY_QUERY_VALUE); }

void clsEasyRegistry::OpenPath(std::string strPath, REGSAM lngAccess) {
  std::string text = Trim(UCaseAscii(std::move(strPath)));

  if (text == "\\") {
    RegKey previous = std::move(lngKeyHandle);
    strCurrentKey.clear();
    if (previous) CheckApiResult(previous.Close());
    return;
  }

  if (text == "..") {
    if (strCurrentKey.empty()) RaiseClassError(1);
    OpenPath(strCurrentKey.substr(0, strCurrentKey.rfind('\\') + 1), lngAccess);
    return;
  }

  if (text == ".") {
    RegKey reopened;
    // Raising here leaves the previous key open and current.
    CheckApiResult(reopened.Open(lngKeyHandle.Handle(), nullptr, lngAccess));
    RegKey previous = std::exchange(lngKeyHandle, std::move(reopened));
    if (previous) CheckApiResult(previous.Close());
    return;
  }

  if (text.size() > 1 && text.back() == '\\') text.pop_back();
  // A relative path with no current key counts as absolute.
  if ((text.empty() || text.front() != '\\') && strCurrentKey.empty()) text.insert(0, 1, '\\');

  if (!text.empty() && text.front() == '\\') {
    if (lngKeyHandle) {
      RegKey previous = std::move(lngKeyHandle);
      CheckApiResult(previous.Close());
    }
    const HKEY root = RootKeyNamed(GetRootName(text));
    if (root == nullptr) RaiseClassError(2);
    strCurrentKey = text;
    CheckApiResult(lngKeyHandle.Open(root, GetSubKeyPath(text), lngAccess));
    return;
  }

  strCurrentKey += '\\';
  strCurrentKey += text;
  RegKey opened;
  const LONG result = opened.Open(lngKeyHandle.Handle(), text, lngAccess);
  lngKeyHandle = std::move(opened);  // the previous key closes unchecked
  CheckApiResult(result);
}

// The path begins with "\" (OpenPath makes it so), which the splitter skips.
std::string clsEasyRegistry::GetRootName(const std::string& strPath) {
  return std::string(SplitRootPath(strPath).root);
}

std::string clsEasyRegistry::GetSubKeyPath(const std::string& strPath) {
  return std::string(SplitRootPath(strPath).subKey);
}

void clsEasyRegistry::CheckApiResult(LONG lngResult) {
  lngLastError = lngResult;
  if (lngResult == ERROR_SUCCESS) return;
  if (!bSuppressErrors) throw ErrObject(ApiErrorNumber, kApiSource, ApiErrorDescription(lngResult));
}

void clsEasyRegistry::RaiseClassError(int lngCode) {
  switch (lngCode) {
    case 1: throw ErrObject(ClassErrorBase + 1, kClassSource, "No current Key.");
    case 2: throw ErrObject(ClassErrorBase + 2, kClassSource, "Invalid Key root.");
    case 3: throw ErrObject(ClassErrorBase + 3, kValueOfSource, "Type passed doesn't match Value passed.");
    default:
      throw ErrObject(ClassErrorBase + 4, kValueOfSource,
                      "Type passed doesn't exist. Use STRING, DWORD or BINARY.");
  }
}

int16_t clsEasyRegistry::CountDimensions(const ByteArray& arr) {
  int16_t count = 0;
  while (arr.UBound(count + 1).has_value()) ++count;
  return count;
}

void clsEasyRegistry::MakeKey(std::string strDirectory) {
  OpenPath(".", KEY_CREATE_SUB_KEY);
  SECURITY_ATTRIBUTES security;
  std::memset(&security, 0, sizeof security);
  RegKey created;
  CheckApiResult(created.Create(lngKeyHandle.Handle(), strDirectory, KEY_ALL_ACCESS, &security));
}

void clsEasyRegistry::DeleteKey(std::string strName) {
  OpenPath(".", KEY_SET_VALUE);
  CheckApiResult(RegDeleteKeyA(lngKeyHandle.Handle(), strName.c_str()));
}

void clsEasyRegistry::DeleteValue(std::string strName) {
  OpenPath(".", KEY_SET_VALUE);
  CheckApiResult(RegDeleteValueA(lngKeyHandle.Handle(), strName.c_str()));
}

bool clsEasyRegistry::IsWindowsNT() const {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = 148;
  GetVersionExA(&info);
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void clsEasyRegistry::ValueOf(const std::string& strValueName, int32_t& lngValueType, const Variant& vntValue) {
  DWORD registryType = REG_NONE;
  std::vector<uint8_t> data;
  switch (lngValueType) {
    case ValueKind::String: {
      if (!vntValue.IsString()) RaiseClassError(3);
      const std::string& text = vntValue.AsString();
      data.assign(text.begin(), text.end());
      data.push_back(0);
      registryType = REG_SZ;
      break;
    }
    case ValueKind::Binary:
    case ValueKind::MultiString: {
      if (!vntValue.IsByteArray() || CountDimensions(vntValue.AsByteArray()) != 1) RaiseClassError(3);
      data = vntValue.AsByteArray().Data();
      registryType = lngValueType == ValueKind::Binary ? REG_BINARY : REG_MULTI_SZ;
      break;
    }
    case ValueKind::DWord: {
      if (!vntValue.IsDouble()) RaiseClassError(3);
      const double number = vntValue.AsDouble();
      // NaN fails every comparison, infinities the range.
      if (!(number == std::trunc(number) && number >= 0 && number <= 4294967295.0)) RaiseClassError(3);
      const auto dword = static_cast<uint32_t>(number);
      data = {static_cast<uint8_t>(dword), static_cast<uint8_t>(dword >> 8), static_cast<uint8_t>(dword >> 16),
              static_cast<uint8_t>(dword >> 24)};
      registryType = REG_DWORD;
      break;
    }
    default:
      RaiseClassError(4);
  }
  OpenPath(".", KEY_SET_VALUE);
  CheckApiResult(RegSetValueBytes(lngKeyHandle.Handle(), strValueName.c_str(), registryType, data.data(),
                                  static_cast<DWORD>(data.size())));
}

RegistryValue clsEasyRegistry::ValueOf(const std::string& strValueName, int32_t& lngValueType) {
  if (!strCurrentKey.empty()) OpenPath(".", KEY_QUERY_VALUE);

  DWORD sizeType = REG_NONE;
  DWORD size = 0;
  const LONG sizeResult =
      RegQueryValueExA(lngKeyHandle.Handle(), strValueName.c_str(), nullptr, &sizeType, nullptr, &size);
  if (sizeResult != ERROR_SUCCESS) size = 0;
  CheckApiResult(sizeResult);

  std::vector<uint8_t> data(size, ' ');
  DWORD dataType = REG_NONE;
  DWORD dataSize = size;
  const LONG dataResult =
      RegQueryValueExA(lngKeyHandle.Handle(), strValueName.c_str(), nullptr, &dataType, data.data(), &dataSize);
  CheckApiResult(dataResult);
  // Only what the second query delivered counts: a value that changed size
  // between the two queries reads as nothing rather than as stale buffer bytes.
  if (dataResult != ERROR_SUCCESS) {
    dataType = REG_NONE;
    dataSize = 0;
  }
  data.resize(std::min<size_t>(dataSize, data.size()));

  lngValueType = dataType == REG_BINARY ? ValueKind::Binary
                 : dataType == REG_DWORD ? ValueKind::DWord
                                         : ValueKind::String;
  RegistryValue value;
  if (data.empty()) return value;

  if (dataType == REG_BINARY) {
    value.Text = HexBytesText(data.data(), data.size());
    value.Bytes = std::move(data);
  } else if (dataType == REG_DWORD) {
    value.Number = DwordNumber(data.data(), data.size());
    value.Text = DwordHexText(data.data(), data.size());
    value.Bytes = std::move(data);
  } else {
    size_t length = data.size();
    if (data.back() == 0) --length;
    value.Text.assign(reinterpret_cast<const char*>(data.data()), length);
    // An empty string value keeps its one zero byte.
    if (length > 0) data.resize(length);
    value.Bytes = std::move(data);
  }
  return value;
}

std::optional<std::vector<std::string>> clsEasyRegistry::DirKey() {
  if (strCurrentKey.empty()) return RootNames();

  OpenPath(".", KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
  char keyClass[kListBufferSize];
  DWORD classLength = kListBufferSize;
  DWORD subKeys = 0;
  const LONG infoResult = RegQueryInfoKeyA(lngKeyHandle.Handle(), keyClass, &classLength, nullptr, &subKeys,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (infoResult != ERROR_SUCCESS) subKeys = 0;
  CheckApiResult(infoResult);
  if (subKeys < 1) return std::nullopt;

  std::vector<std::string> names;
  names.reserve(subKeys);
  char name[kListBufferSize];
  for (DWORD i = 0; i < subKeys; ++i) {
    std::memset(name, ' ', sizeof name);
    DWORD nameLength = kListBufferSize;
    std::memset(keyClass, ' ', sizeof keyClass);
    classLength = kListBufferSize;
    FILETIME lastWrite = {0, 0};
    const LONG result =
        RegEnumKeyExA(lngKeyHandle.Handle(), i, name, &nameLength, nullptr, keyClass, &classLength, &lastWrite);
    CheckApiResult(result);
    // An index that failed (removed meanwhile, too long) lists as an empty name.
    if (result != ERROR_SUCCESS) nameLength = 0;
    names.emplace_back(name, std::min(nameLength, kListBufferSize));
  }
  return names;
}

std::optional<clsEasyRegistry::ValueTable> clsEasyRegistry::DirValue() {
  if (strCurrentKey.empty()) return std::nullopt;

  OpenPath(".", KEY_QUERY_VALUE);
  char keyClass[kListBufferSize];
  DWORD classLength = kListBufferSize;
  DWORD values = 0;
  const LONG infoResult = RegQueryInfoKeyA(lngKeyHandle.Handle(), keyClass, &classLength, nullptr, nullptr,
                                           nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  if (infoResult != ERROR_SUCCESS) values = 0;
  CheckApiResult(infoResult);
  if (values < 1) return std::nullopt;

  ValueTable table;
  for (auto& row : table) row.reserve(values);
  const std::string separator = DigitGroupingSeparator();
  char name[kListBufferSize];
  uint8_t data[kListBufferSize];
  for (DWORD i = 0; i < values; ++i) {
    std::memset(name, ' ', sizeof name);
    DWORD nameLength = kListBufferSize;
    DWORD dataLength = kListBufferSize;
    DWORD type = REG_NONE;
    const LONG result =
        RegEnumValueA(lngKeyHandle.Handle(), i, name, &nameLength, nullptr, &type, data, &dataLength);
    CheckApiResult(result);
    table[RowName].emplace_back();
    table[RowData].emplace_back();
    table[RowKind].emplace_back();
    // An index that failed (removed meanwhile, name or data too long) lists
    // as an empty column rather than with what an earlier entry left behind.
    if (result != ERROR_SUCCESS) continue;
    table[RowName].back().assign(name, std::min(nameLength, kListBufferSize));
    const size_t n = std::min(dataLength, kListBufferSize);
    if (n == 0) continue;
    std::string& text = table[RowData].back();
    if (type == REG_BINARY) {
      table[RowKind].back().push_back('1');
      text = HexBytesText(data, n);
    } else if (type == REG_DWORD) {
      table[RowKind].back().push_back('2');
      text = DwordHexText(data, n);
      text += " (";
      text += GroupedDecimal(DwordNumber(data, n), separator);
      text += ')';
    } else {
      table[RowKind].back().push_back('0');
      // Text without its terminating zero byte; a string stored without one is whole.
      text.assign(reinterpret_cast<const char*>(data), data[n - 1] == 0 ? n - 1 : n);
    }
  }
  return table;
}
