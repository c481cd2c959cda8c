// A serial line on the virtual clock, for tests of request/answer exchanges.
#include "device_model.h"

#include <algorithm>

namespace klvdevice {

namespace {
// Granularity with which a waiting read looks for the next byte.
constexpr Micros kPollStepUs = 100;
} // namespace

VirtualSerialPort::VirtualSerialPort(DeviceModel* device, std::size_t inputQueueLimit)
    : device_(device), limit_(inputQueueLimit), now_(device ? device->Now() : 0)
{
}

void VirtualSerialPort::RunUntil(Micros t)
{
    if (device_) {
        t = std::max(t, device_->Now());
        device_->AdvanceTo(t);
        std::uint8_t buf[256];
        while (std::size_t n = device_->TakeOutput(buf, sizeof buf)) {
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

void VirtualSerialPort::Write(const std::uint8_t* data, std::size_t n)
{
    RunUntil(now_);
    if (device_)
        device_->Write(data, n);
    RunUntil(now_);
}

void VirtualSerialPort::Write(std::initializer_list<std::uint8_t> bytes)
{
    Write(bytes.begin(), bytes.size());
}

int VirtualSerialPort::ReadByte(std::uint32_t timeoutMs)
{
    RunUntil(now_);
    const Micros deadline = now_ + Micros{timeoutMs} * 1000;
    while (input_.empty() && now_ < deadline)
        RunUntil(std::min(deadline, now_ + kPollStepUs));
    if (input_.empty())
        return -1;
    int b = input_.front();
    input_.pop_front();
    return b;
}

std::size_t VirtualSerialPort::BytesWaiting()
{
    RunUntil(now_);
    return input_.size();
}

std::size_t VirtualSerialPort::ReadWaiting(std::uint8_t* out, std::size_t max)
{
    RunUntil(now_);
    std::size_t n = std::min(max, input_.size());
    std::copy_n(input_.begin(), n, out);
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void VirtualSerialPort::Purge()
{
    RunUntil(now_);
    input_.clear();
}

void VirtualSerialPort::SleepMs(std::uint32_t ms)
{
    SleepUs(Micros{ms} * 1000);
}

void VirtualSerialPort::SleepUs(Micros us)
{
    RunUntil(now_ + us);
}

} // namespace klvdevice
