#pragma once
// The system registry, as far as the About box reads it: open a key, query a
// value into a caller's buffer, close the key. Return codes are the system's
// (0 for success). On systems without a registry every key is missing.
// Tests put a scripted registry in place of the real one.
#include <QByteArray>
#include <cstdint>

namespace platform {

// A root is a 32-bit predefined handle, sign-extended where handles are wider;
// an opened key is whatever handle the system hands out.
using RegKey = std::uintptr_t;

inline constexpr std::int32_t kHKeyLocalMachine = std::int32_t(0x80000002u);
// Query value, set value, create subkey, enumerate subkeys, notify, create
// link and read control.
inline constexpr std::uint32_t kKeyAllAccessButDelete = 0x2003F;
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorMoreData = 234;
// Value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

class Registry {
public:
    virtual ~Registry() = default;
    // Names are 8-bit text in the system code page.
    virtual long OpenKey(std::int32_t root, const QByteArray& subKey, std::uint32_t access, RegKey& key) = 0;
    // `size` is the buffer's size in bytes on entry and the data's size on
    // return; data that does not fit fails with kErrorMoreData.
    virtual long QueryValue(RegKey key, const QByteArray& valueName, std::uint32_t& type, unsigned char* data,
                            std::uint32_t& size) = 0;
    virtual long CloseKey(RegKey key) = 0;
};

// The system's registry (advapi32 on Windows; elsewhere one with no keys).
Registry& SystemRegistry();

}  // namespace platform
