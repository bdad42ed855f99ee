#pragma once
// The store's file: its tables, the mark that makes a database a registry
// store, the predefined roots it holds, and how a new one is made.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/modAPI.h"

namespace emu {

// Marks a database as a registry store (four ASCII letters); a database
// without it that already holds tables belongs to someone else and is left
// alone.
constexpr int kApplicationId = 0x56747252;
constexpr int kSchemaVersion = 1;

// The predefined keys by their low byte; HKEY_PERFORMANCE_DATA (4) is not a
// key of the store.
constexpr size_t kRootCount = 7;
constexpr const char* kRootNames[kRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                "HKEY_LOCAL_MACHINE", "HKEY_USERS", nullptr,
                                                "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

// Now in FILETIME ticks (100 ns since 1601-01-01): a key's last write.
int64_t FileTimeNow();

// Makes the folders down to `path` (those that exist stay as they are).
void MakeParentDirectories(const std::string& path);

// Makes a new store at `path` with the predefined roots and
// \HKEY_LOCAL_MACHINE\SOFTWARE: whole, under a name of its own, then put in
// place, so that a store is never seen half made nor empty. One that another
// process put there meanwhile stays. ERROR_SUCCESS, ERROR_OUTOFMEMORY or
// ERROR_CANTOPEN.
LONG CreateStoreFile(const std::string& path);

}  // namespace emu
