#pragma once

#include "link/link_connection.h"
#include "platform/registry_api.h"

namespace pivora::link {

// HKEY_LOCAL_MACHINE of the simulated computer over the link.
class LinkRegistryApi : public RegistryApi {
public:
    explicit LinkRegistryApi(LinkConnection& link) : link_(link) {}

    long openLocalMachineKey(const char* path, OsHandle* key) override;
    long enumKey(OsHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength, char* className,
                 std::uint32_t* classLength) override;
    long queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long closeKey(OsHandle key) override;

private:
    LinkConnection& link_;
};

}  // namespace pivora::link
