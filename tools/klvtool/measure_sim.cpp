// measure_sim.cpp - the device model in-process: a serial line on the model's
// virtual clock, so a whole series plays in a fraction of a second and the
// same scenario always gives the same bytes.
#include <stdexcept>

#include "device_model.h"
#include "measure_link.h"

namespace {

// After its last event the model keeps streaming its last level; a run still
// waiting this long afterwards will never see the series complete.
constexpr std::uint64_t kScenarioGraceMs = 10000;

class SimTransport : public LinkTransport {
public:
    explicit SimTransport(klvdevice::Scenario scenario)
        : name_("sim:" + scenario.name), device_(std::move(scenario)), port_(&device_)
    {
    }

    bool Open(std::string*) override { return true; }
    void Close() override {}
    std::string Name() const override { return name_; }

    bool Send(const std::uint8_t* data, std::size_t size) override
    {
        port_.Write(data, size);
        return true;
    }

    bool ReadByte(std::uint8_t* byte, unsigned timeoutMs) override
    {
        const int b = port_.ReadByte(timeoutMs);
        if (b < 0)
            return false;
        *byte = static_cast<std::uint8_t>(b);
        return true;
    }

    void PurgeAndClear() override { port_.Purge(); }
    void PurgeInput() override { port_.Purge(); }
    void Sleep(unsigned ms) override { port_.SleepMs(ms); }

    // Unpaced: when nothing is waiting, let one sample period of virtual time
    // pass (never beyond waitMs), so the timer keeps its place between samples.
    std::size_t Receive(std::uint8_t* data, std::size_t size, unsigned waitMs) override
    {
        std::size_t got = port_.ReadWaiting(data, size);
        if (got > 0)
            return got;
        const klvdevice::Micros step = waitMs * 1000ull < klvdevice::kSamplePeriodUs
                                           ? waitMs * 1000ull
                                           : klvdevice::kSamplePeriodUs;
        port_.SleepUs(step > 0 ? step : 1);
        return port_.ReadWaiting(data, size);
    }

    std::uint64_t NowMs() override { return port_.NowUs() / 1000; }

    std::string Finished() override
    {
        if (device_.HungUp())
            return "the simulated device hung up";
        if (!device_.ScenarioEnded())
            return {};
        if (!endedAtMs_)
            endedAtMs_ = NowMs() + 1;
        if (NowMs() + 1 - endedAtMs_ > kScenarioGraceMs)
            return "the scenario ended before the series was complete";
        return {};
    }

private:
    std::string name_;
    klvdevice::DeviceModel device_;
    klvdevice::VirtualSerialPort port_;
    std::uint64_t endedAtMs_ = 0;
};

} // namespace

std::unique_ptr<LinkTransport> MakeSimTransport(const std::string& scenario)
{
    try {
        return std::make_unique<SimTransport>(klvdevice::LoadScenario(scenario));
    } catch (const klvdevice::ScenarioError& e) {
        throw std::runtime_error(e.what());
    }
}
