#include "platform/desktop/Registry.h"

#ifdef _WIN32
#include <windows.h>
#ifdef _MSC_VER
#pragma comment(lib, "advapi32")
#endif
#endif

namespace platform {
namespace {

#ifdef _WIN32
HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }

class Advapi32Registry final : public Registry {
public:
    long OpenKey(std::int32_t root, const QByteArray& subKey, std::uint32_t access, RegKey& key) override {
        // Predefined roots are 32-bit values sign-extended to handle width.
        const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root));
        HKEY opened = nullptr;
        const LONG rc = RegOpenKeyExA(rootKey, subKey.constData(), 0, access, &opened);
        key = reinterpret_cast<RegKey>(opened);
        return rc;
    }
    long QueryValue(RegKey key, const QByteArray& valueName, std::uint32_t& type, unsigned char* data,
                    std::uint32_t& size) override {
        DWORD t = 0;
        DWORD s = size;
        const LONG rc = RegQueryValueExA(ToHkey(key), valueName.constData(), nullptr, &t, data, &s);
        type = t;
        size = s;
        return rc;
    }
    long CloseKey(RegKey key) override { return RegCloseKey(ToHkey(key)); }
};
using SystemRegistryImpl = Advapi32Registry;
#else
class NoRegistry final : public Registry {
public:
    long OpenKey(std::int32_t, const QByteArray&, std::uint32_t, RegKey& key) override {
        key = 0;
        return kErrorFileNotFound;
    }
    long QueryValue(RegKey, const QByteArray&, std::uint32_t& type, unsigned char*, std::uint32_t& size) override {
        type = 0;
        size = 0;
        return kErrorFileNotFound;
    }
    long CloseKey(RegKey) override { return kErrorSuccess; }
};
using SystemRegistryImpl = NoRegistry;
#endif

}  // namespace

Registry& SystemRegistry() {
    static SystemRegistryImpl registry;
    return registry;
}

}  // namespace platform
