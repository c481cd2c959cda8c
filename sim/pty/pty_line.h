// The simulator's end of a pseudo-terminal that stands in for a serial line.
#pragma once

#include <string>

namespace klvsim {

class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // Opens a raw pty pair and points a symlink at `linkPath` to its slave.
    // A stale link at that path is replaced; anything else there is refused.
    // On failure returns false with the reason in `error`.
    bool Open(const std::string& linkPath, std::string& error);
    // Removes the link if it still points to this pty. Safe to call twice.
    void RemoveLink();

    int Master() const { return master_; }
    const std::string& SlaveName() const { return slaveName_; }

private:
    int master_ = -1;
    int slaveKeeper_ =
        -1; // our own slave descriptor: keeps the line alive while the host has it closed
    std::string slaveName_;
    std::string linkPath_;
    bool linked_ = false;
};

// Makes a descriptor of a tty raw (no echo, no line editing, 8 bits, 19200 baud).
bool MakeRaw(int fd);

} // namespace klvsim
