// Stores the found port where the measurement program looks for it: the
// registry value Port, and the hint file in the working directory.
#ifndef REGISTRY_STORE_H
#define REGISTRY_STORE_H

#include "seek_session.h"

namespace findport {

class RegistryPortStore : public PortStore {
public:
    void StorePort(int32_t index) override;
};

} // namespace findport

#endif
