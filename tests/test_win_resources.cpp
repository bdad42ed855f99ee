// The built VtrSysTray.exe's own resources, read as Explorer and the shell
// read them: its first icon group holds a picture for every scale from 100
// to 300 % of the tray's and windows' icons, each of the size it claims.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <type_traits>

#include "platform/resource.h"

namespace {

#pragma pack(push, 2)
struct GroupEntry {  // GRPICONDIRENTRY: one picture of an icon group
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupHeader {  // GRPICONDIR
  WORD reserved, type, count;
};
#pragma pack(pop)

TEST(ProgramResources, TheIconGroupHoldsEverySizeIn32BitColour) {
  std::string path = VTR_PROGRAM;
  std::replace(path.begin(), path.end(), '/', '\\');
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> module(
      LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE), FreeLibrary);
  ASSERT_NE(module, nullptr) << path << ": " << GetLastError();
  // A resource's bytes and their count; null if there is none.
  const auto resource = [&](LPCSTR type, LPCSTR name, DWORD& size) -> const BYTE* {
    HRSRC found = FindResourceA(module.get(), name, type);
    if (!found) return nullptr;
    size = SizeofResource(module.get(), found);
    return static_cast<const BYTE*>(LockResource(LoadResource(module.get(), found)));
  };
  DWORD size = 0;
  const BYTE* group = resource(reinterpret_cast<LPCSTR>(RT_GROUP_ICON), MAKEINTRESOURCEA(IDI_PROGRAM), size);
  ASSERT_NE(group, nullptr);
  ASSERT_GE(size, sizeof(GroupHeader));
  const auto* header = reinterpret_cast<const GroupHeader*>(group);
  ASSERT_EQ(header->type, 1);
  ASSERT_EQ(size, sizeof(GroupHeader) + header->count * sizeof(GroupEntry));
  const auto* entries = reinterpret_cast<const GroupEntry*>(group + sizeof(GroupHeader));

  std::set<int> sizes;
  for (WORD i = 0; i < header->count; ++i) {
    const GroupEntry& entry = entries[i];
    int side = entry.width == 0 ? 256 : entry.width;  // 0 stands for 256
    sizes.insert(side);
    EXPECT_EQ(entry.bitCount, 32) << side << " px";
    DWORD bytes = 0;
    const BYTE* picture = resource(reinterpret_cast<LPCSTR>(RT_ICON), MAKEINTRESOURCEA(entry.id), bytes);
    ASSERT_NE(picture, nullptr) << side << " px";
    EXPECT_EQ(bytes, entry.bytes);
    // The largest is stored as PNG (its width big-endian at byte 16), the
    // others as bitmaps with alpha: each picture's own header gives its size,
    // read as bytes, as the shell's icon loader reads them.
    ASSERT_GT(bytes, 24u);
    const bool png = std::string(reinterpret_cast<const char*>(picture) + 1, 3) == "PNG";
    EXPECT_EQ(png, side == 256) << side << " px";
    if (png) {
      EXPECT_EQ((picture[18] << 8) | picture[19], side);
    } else {
      BITMAPINFOHEADER bitmap{};
      std::memcpy(&bitmap, picture, sizeof bitmap);
      EXPECT_EQ(bitmap.biWidth, side);
      EXPECT_EQ(bitmap.biHeight, 2 * side) << "the colour and the mask";
      EXPECT_EQ(bitmap.biBitCount, 32);
    }
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48, 256}));
}

}  // namespace
