// Stores the found port where the measurement program looks for it: the
// registry value Port, and the hint file in the working directory.
#pragma once

#include "seek_session.h"

namespace findport {

class RegistryPortStore : public PortStore {
public:
    void StorePort(int32_t index) override;
};

} // namespace findport
