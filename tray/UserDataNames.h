#pragma once
// Where the programs keep their user's data on systems without Windows,
// handed to the emulation when a program starts (emu::SetUserDataNames):
// the data folder's name and the environment variables that name the
// registry store's file and drive C:'s folder instead. Users' stores live
// in that folder and users set those variables: the names never change.

inline constexpr char kDataFolderName[] = "vantorel";
inline constexpr char kStoreVariable[] = "VTR_REGISTRY";
inline constexpr char kDriveCVariable[] = "VTR_DRIVE_C";
