// A serial line on the virtual clock, for tests of request/answer exchanges.
#include "device_model.h"

#include <algorithm>

namespace klvdevice {

namespace {
// Granularity with which a waiting read looks for the next byte.
constexpr Micros kPollStepUs = 100;
} // namespace

VirtualSerialPort::VirtualSerialPort(DeviceModel* device, std::size_t inputQueueLimit)
    : device_(device), limit_(inputQueueLimit), now_(device ? device->now() : 0)
{
}

void VirtualSerialPort::runUntil(Micros t)
{
    if (device_) {
        t = std::max(t, device_->now());
        device_->advanceTo(t);
        std::uint8_t buf[256];
        while (std::size_t n = device_->takeOutput(buf, sizeof buf)) {
            for (std::size_t i = 0; i < n; ++i) {
                if (input_.size() < limit_)
                    input_.push_back(buf[i]);
                else
                    ++overrun_;
            }
        }
    }
    now_ = std::max(now_, t);
}

void VirtualSerialPort::write(const std::uint8_t* data, std::size_t n)
{
    runUntil(now_);
    if (device_)
        device_->write(data, n);
    runUntil(now_);
}

void VirtualSerialPort::write(std::initializer_list<std::uint8_t> bytes)
{
    write(bytes.begin(), bytes.size());
}

int VirtualSerialPort::readByte(std::uint32_t timeoutMs)
{
    runUntil(now_);
    const Micros deadline = now_ + Micros{timeoutMs} * 1000;
    while (input_.empty() && now_ < deadline)
        runUntil(std::min(deadline, now_ + kPollStepUs));
    if (input_.empty())
        return -1;
    int b = input_.front();
    input_.pop_front();
    return b;
}

std::size_t VirtualSerialPort::bytesWaiting()
{
    runUntil(now_);
    return input_.size();
}

std::size_t VirtualSerialPort::readWaiting(std::uint8_t* out, std::size_t max)
{
    runUntil(now_);
    std::size_t n = std::min(max, input_.size());
    std::copy_n(input_.begin(), n, out);
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void VirtualSerialPort::purge()
{
    runUntil(now_);
    input_.clear();
}

void VirtualSerialPort::sleepMs(std::uint32_t ms)
{
    sleepUs(Micros{ms} * 1000);
}

void VirtualSerialPort::sleepUs(Micros us)
{
    runUntil(now_ + us);
}

} // namespace klvdevice
