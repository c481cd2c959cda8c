// COM ports of this machine for the probe, opened by their "\\.\COMn" device
// names so that ports numbered 10 and above open too.
#ifndef WIN_SERIAL_H
#define WIN_SERIAL_H

#include "probe_port.h"

namespace findport {

class WinPortSystem : public PortSystem {
public:
    std::unique_ptr<SerialPort> Open(const std::wstring& name, uint32_t inQueue,
                                     uint32_t outQueue) override;
};

} // namespace findport

#endif
