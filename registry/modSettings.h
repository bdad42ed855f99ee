#pragma once
// The settings store: string settings below \HKEY_LOCAL_MACHINE\Software,
// addressed by application, section and key (and optionally a company key
// above the application). Registry failures never reach the caller: a read
// falls back to its default, a failed write or delete simply does not happen.
#include <string>

void SaveRegSetting(const std::string& appName, const std::string& section, const std::string& key,
                    const std::string& setting, const std::string& company = std::string());

std::string GetRegSetting(const std::string& appName, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          const std::string& company = std::string());

// An empty key deletes the whole section key; otherwise only that value.
void DeleteRegSetting(const std::string& appName, const std::string& section,
                      const std::string& key, const std::string& company = std::string());
