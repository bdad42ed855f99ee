#include "registry/modSettings.h"

#include "registry/clsEasyRegistry.h"

namespace {

const char* const kSoftwarePath = "\\HKEY_LOCAL_MACHINE\\Software";

std::string ApplicationKeyPath(const std::string& appName, const std::string& company) {
  return company.empty() ? appName : company + "\\" + appName;
}

}  // namespace

void SaveRegSetting(const std::string& appName, const std::string& section, const std::string& key,
                    const std::string& setting, const std::string& company) {
  clsEasyRegistry registry;
  registry.SuppressErrors(true);
  registry.Cd(kSoftwarePath);
  if (registry.lastError() != 0) return;
  const std::string relativePath = ApplicationKeyPath(appName, company) + "\\" + section;
  registry.MakeKey(relativePath);
  if (registry.lastError() != 0) return;
  registry.Cd(std::string(kSoftwarePath) + "\\" + relativePath);
  int32_t kind = ValueKind::String;
  registry.ValueOf(key, kind, Variant(setting));
}

std::string GetRegSetting(const std::string& appName, const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& company) {
  clsEasyRegistry registry;
  registry.SuppressErrors(true);
  registry.Cd(std::string(kSoftwarePath) + "\\" + ApplicationKeyPath(appName, company) + "\\" + section);
  if (registry.lastError() != 0) return defaultValue;
  int32_t kind = ValueKind::String;
  RegistryValue value = registry.ValueOf(key, kind);
  if (registry.lastError() != 0) return defaultValue;
  return std::move(value.Text);
}

void DeleteRegSetting(const std::string& appName, const std::string& section, const std::string& key,
                      const std::string& company) {
  clsEasyRegistry registry;
  registry.SuppressErrors(true);
  std::string path = std::string(kSoftwarePath) + "\\" + ApplicationKeyPath(appName, company);
  if (!key.empty()) path += "\\" + section;
  registry.Cd(path);
  if (registry.lastError() != 0) return;
  if (key.empty()) {
    registry.DeleteKey(section);
  } else {
    registry.DeleteValue(key);
  }
}
