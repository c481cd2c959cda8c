// The probe against the device model on a virtual serial line: what the
// port finder accepts and what it passes over.
#include <gtest/gtest.h>

#include <map>

#include "device_model.h"
#include "probe_port.h"
#include "seek_session.h"

namespace findport::test {
namespace {

// One virtual clock for every line of the machine: a wait lets the same time
// pass on all of them, so devices keep running while another port is probed.
class Machine : public PortSystem, public Clock {
public:
    // A line with a device playing `scenario`; an empty text is a silent line
    // (an open port with nothing attached).
    void AddDevice(const std::wstring& name, const std::string& scenario)
    {
        Line& line = lines_[name];
        line.device = std::make_unique<klvdevice::DeviceModel>(klvdevice::ParseScenario(scenario));
        line.port = std::make_unique<klvdevice::VirtualSerialPort>(line.device.get());
        Synchronise(line);
    }
    void AddSilentLine(const std::wstring& name)
    {
        Line& line = lines_[name];
        line.port = std::make_unique<klvdevice::VirtualSerialPort>(nullptr);
        Synchronise(line);
    }

    std::unique_ptr<SerialPort> Open(const std::wstring& name, uint32_t, uint32_t) override;
    uint32_t Milliseconds() override { return static_cast<uint32_t>(nowUs_ / 1000); }

    int resolutionRaises = 0;
    std::map<std::wstring, int> requestsOfByte0; // identification reads started per port

protected:
    void RaiseTimerResolution() override { ++resolutionRaises; }
    void Sleep(uint32_t ms) override
    {
        nowUs_ += klvdevice::Micros{ms} * 1000;
        for (auto& [name, line] : lines_)
            Synchronise(line);
    }

private:
    struct Line {
        std::unique_ptr<klvdevice::DeviceModel> device;
        std::unique_ptr<klvdevice::VirtualSerialPort> port;
    };
    void Synchronise(Line& line)
    {
        if (line.port->NowUs() < nowUs_)
            line.port->SleepUs(nowUs_ - line.port->NowUs());
    }
    friend class LinePort;
    klvdevice::Micros nowUs_ = 0;
    std::map<std::wstring, Line> lines_;
};

// An opened port on one of the machine's lines; the line stays when it closes.
class LinePort : public SerialPort {
public:
    LinePort(klvdevice::VirtualSerialPort& line, int& byte0Requests)
        : line_(line), byte0Requests_(byte0Requests)
    {
    }
    bool ClearRts() override { return true; }
    bool ClearDtr() override { return true; }
    bool SetFlowCharacters(uint8_t, uint8_t) override { return true; }
    bool SetTimeouts(const PortTimeouts&) override { return true; }
    bool Write(const uint8_t* data, size_t length) override
    {
        if (length == 2 && data[0] == 0x52 && data[1] == 0)
            ++byte0Requests_;
        line_.Write(data, length);
        return true;
    }
    size_t BytesWaiting() override { return line_.BytesWaiting(); }
    size_t Read(uint8_t* buffer, size_t maxLength) override
    {
        return line_.ReadWaiting(buffer, maxLength);
    }

private:
    klvdevice::VirtualSerialPort& line_;
    int& byte0Requests_;
};

std::unique_ptr<SerialPort> Machine::Open(const std::wstring& name, uint32_t, uint32_t)
{
    auto it = lines_.find(name);
    if (it == lines_.end())
        return nullptr;
    Synchronise(it->second);
    return std::make_unique<LinePort>(*it->second.port, requestsOfByte0[name]);
}

// Settings of a device, then enough time for any probe.
const std::string kCleanDevice = "variant 500\nserial 1234\ncalibration 15 06 24\nwait 600\n";
const std::string kNotKlv = "ident GPS-NME\nserial 0001\nwait 600\n";

struct FindKlvDeviceProbe : ::testing::Test {
    Machine machine;
    PortProbe probe{machine, machine};

    std::wstring ReadInfoOn(const std::wstring& name)
    {
        auto port = machine.Open(name, 4096, 1024);
        return port ? probe.ReadDeviceInfo(*port) : L"<no port>";
    }
};

TEST_F(FindKlvDeviceProbe, CleanDeviceIsAcceptedByTwoAgreeingReads)
{
    machine.AddDevice(L"COM4", kCleanDevice);
    EXPECT_EQ(ReadInfoOn(L"COM4"), L"KLV1-AC51234");
    EXPECT_EQ(probe.AttemptsMade(), 2);
    EXPECT_EQ(probe.Votes().size(), 1u);
    EXPECT_EQ(probe.LastDeviceInfo()[16], '1');
    EXPECT_EQ(probe.LastDeviceInfo()[21], '4');
}

TEST_F(FindKlvDeviceProbe, ThreeHundredNewtonVariantReadsItsOwnText)
{
    machine.AddDevice(L"COM1", "variant 300\nserial 0042\nwait 600\n");
    EXPECT_EQ(ReadInfoOn(L"COM1"), L"KLV1-AC30042");
}

TEST_F(FindKlvDeviceProbe, FirstReadDisturbedIsAcceptedOnTheThirdAttempt)
{
    machine.AddDevice(L"COM4", "serial 1234\ndisturb\nwait 600\n");
    EXPECT_EQ(ReadInfoOn(L"COM4"), L"KLV1-AC51234");
    EXPECT_EQ(probe.AttemptsMade(), 3);
    EXPECT_EQ(probe.Votes().size(), 2u); // the disturbed read kept its single vote
}

TEST_F(FindKlvDeviceProbe, DeviceAlwaysAnsweringFfInByte21IsNeverAccepted)
{
    machine.AddDevice(L"COM4", "ff21\nwait 600\n");
    EXPECT_EQ(ReadInfoOn(L"COM4"), L"");
    EXPECT_EQ(probe.AttemptsMade(), 11);
    EXPECT_TRUE(probe.Votes().empty());
    EXPECT_EQ(machine.requestsOfByte0[L"COM4"], 11);
}

TEST_F(FindKlvDeviceProbe, AnsweringDeviceThatIsNotKlvIsPassedOver)
{
    machine.AddDevice(L"COM2", kNotKlv);
    EXPECT_EQ(ReadInfoOn(L"COM2"), L"");
    EXPECT_EQ(probe.AttemptsMade(), 2); // it answered consistently, just not as KLV
}

TEST_F(FindKlvDeviceProbe, SilentPortFailsElevenAttemptsOnTheFirstByte)
{
    machine.AddSilentLine(L"COM1");
    const uint32_t start = machine.Milliseconds();
    EXPECT_EQ(ReadInfoOn(L"COM1"), L"");
    EXPECT_EQ(probe.AttemptsMade(), 11);
    EXPECT_EQ(machine.requestsOfByte0[L"COM1"], 11);
    // 3 ms after the stop bytes, then 2 ms polls until 20 ms are exceeded.
    EXPECT_EQ(machine.Milliseconds() - start, 11u * (3 + 22));
}

TEST_F(FindKlvDeviceProbe, StalledDeviceAnswersNothingAndIsPassedOver)
{
    machine.AddDevice(L"COM3", "stall 600\n");
    EXPECT_EQ(ReadInfoOn(L"COM3"), L"");
    EXPECT_EQ(probe.AttemptsMade(), 11);
}

TEST_F(FindKlvDeviceProbe, StreamingDeviceIsQuietenedByTheOpeningAndIdentified)
{
    // A device left streaming by an earlier program: the stop bytes and the
    // draining of the opening clear the line before the reads.
    machine.AddDevice(L"COM4", "serial 1234\nwait 600\n");
    {
        auto port = machine.Open(L"COM4", 4096, 1024);
        const uint8_t start = 0xE0;
        port->Write(&start, 1);
    }
    machine.Wait(100);
    EXPECT_EQ(probe.ProbePort(L"COM4"), L"KLV1-AC51234");
}

TEST_F(FindKlvDeviceProbe, ScanPassesOverSilentAndForeignPortsToTheDevice)
{
    machine.AddSilentLine(L"COM1");
    machine.AddDevice(L"COM2", kNotKlv);
    machine.AddDevice(L"COM4", kCleanDevice);
    EXPECT_EQ(probe.ScanPorts(), L"KLV1-AC51234|COM4");
    EXPECT_EQ(probe.PortList(), L"COM1,COM2,COM4,");
    EXPECT_EQ(machine.requestsOfByte0[L"COM1"], 11);
    EXPECT_EQ(machine.requestsOfByte0[L"COM2"], 2);
    EXPECT_EQ(machine.requestsOfByte0[L"COM4"], 2);
}

TEST_F(FindKlvDeviceProbe, ScanWithOnlyFaultyDevicesTriesThreePasses)
{
    machine.AddDevice(L"COM1", "ff21\nwait 600\n");
    machine.AddDevice(L"COM2", kNotKlv);
    EXPECT_EQ(probe.ScanPorts(), L"");
    EXPECT_EQ(machine.requestsOfByte0[L"COM1"], 3 * 11);
    EXPECT_EQ(machine.requestsOfByte0[L"COM2"], 3 * 2);
}

TEST_F(FindKlvDeviceProbe, DeviceOnCom4IsStoredAsIndex3)
{
    machine.AddDevice(L"COM4", kCleanDevice);
    int32_t index = -1;
    ASSERT_TRUE(PortIndexFromScanResult(probe.ScanPorts(), index));
    EXPECT_EQ(index, 3);
}

} // namespace
} // namespace findport::test
