// measure_support.cpp - the recording dialog, link hand-over and harness.
#include "measure_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "devicestream.h"

void Recorder::SendCommand(std::uint8_t command)
{
    Note(command);
    if (toDevice)
        toDevice(command);
}

void Recorder::ShiftCounter(int count)
{
    shifts.push_back(count);
    if (toLink)
        toLink(count);
}

// As _AddValue: a full graph starts again at its left end.
void Recorder::AppendSample(std::int16_t count)
{
    if (graphEnd == kMeasGraphSamples)
        graphEnd = 0;
    graph[graphEnd++] = count;
    ++appended;
}

bool ModelPort::WriteBytes(const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        recorder_.Note(data[i]);
    line_.Write(data, size);
    return true;
}

bool ModelPort::ReadByte(std::uint8_t* byte)
{
    ++reads;
    const int b = line_.ReadByte(kIdentReadTimeoutMs);
    if (b < 0)
        return false;
    *byte = static_cast<std::uint8_t>(b);
    return true;
}

Link::Link(Recorder& recorder)
{
    recorder.toLink = [this](int count) { loop_.SetSkipCount(count); };
}

std::uint32_t Link::Line::Read(std::uint8_t* dst, std::uint32_t count)
{
    const std::uint32_t got =
        std::min<std::uint32_t>(count, static_cast<std::uint32_t>(queued.size()));
    std::copy(queued.begin(), queued.begin() + got, dst);
    queued.erase(queued.begin(), queued.begin() + got);
    return got;
}

void Link::Handover::OnBlock(const klv::RxBlockInfo& info)
{
    link_.blocks.emplace_back(info.pBlock, info.pBlock + info.nBlockSize);
    MeasRunBlock(run, info.pBlock, info.nBlockSize);
}

void Link::Feed(MeasRun* run, const std::uint8_t* data, std::size_t size)
{
    handover_.run = run;
    line_.queued.insert(line_.queued.end(), data, data + size);
    // One step reads the pending skip count, then one byte.
    while (line_.queued.size() > static_cast<std::size_t>(std::max(0, loop_.SkipCount()))) {
        if (loop_.RunStep(line_, handover_) == klv::RxLoop::Step::Stopped)
            break;
    }
}

StreamBuilder& StreamBuilder::Sample(int count, bool startRequest, bool redLit, bool greenLit)
{
    klvdevice::SampleStatus status;
    status.startRequest = startRequest;
    status.redLit = redLit;
    status.greenLit = greenLit;
    const klvdevice::Triplet t = klvdevice::EncodeTriplet(count, status);
    bytes.insert(bytes.end(), t.begin(), t.end());
    return *this;
}

StreamBuilder& StreamBuilder::Samples(int n, int count, bool startRequest)
{
    for (int i = 0; i < n; ++i)
        Sample(count, startRequest);
    return *this;
}

StreamBuilder& StreamBuilder::Raw(std::initializer_list<std::uint8_t> raw)
{
    bytes.insert(bytes.end(), raw.begin(), raw.end());
    return *this;
}

int DeviceCountFor(int rescaled, int fullScale)
{
    for (int k = 0; k <= 4095; ++k) {
        if (RescaleCount(k, fullScale) == rescaled)
            return k;
    }
    ADD_FAILURE() << "no device count rescales to " << rescaled;
    return 0;
}

SimHarness::SimHarness(const std::string& scenarioText)
    : device(klvdevice::ParseScenario(scenarioText, "test")), line(&device), port(line, recorder),
      link(recorder)
{
    descr = AllocMessDescr();
    MeasRunInit(&run);
    recorder.toDevice = [this](std::uint8_t b) { line.Write(&b, 1); };
}

SimHarness::~SimHarness()
{
    FreeMessDescr(descr);
}

bool SimHarness::Start(int measMode)
{
    recorder.port = &port;
    const bool started = MeasRunStart(&run, measMode, descr, &recorder, "COM1", date);
    nextTickUs_ = line.NowUs() + kTimerPeriodMs * 1000ull;
    return started;
}

void SimHarness::Step()
{
    if (line.NowUs() >= nextTickUs_) {
        nextTickUs_ += kTimerPeriodMs * 1000ull;
        ++ticks;
        MeasRunTimerTick(&run);
        return;
    }
    std::uint8_t buffer[64];
    std::size_t got = line.ReadWaiting(buffer, sizeof(buffer));
    if (got == 0) {
        const std::uint64_t untilTick = nextTickUs_ - line.NowUs();
        line.SleepUs(untilTick < klvdevice::kSamplePeriodUs ? untilTick
                                                            : klvdevice::kSamplePeriodUs);
        got = line.ReadWaiting(buffer, sizeof(buffer));
    }
    link.Feed(&run, buffer, got);
}

bool SimHarness::RunUntil(const std::function<bool()>& pred, double maxSeconds)
{
    const std::uint64_t limit = line.NowUs() + static_cast<std::uint64_t>(maxSeconds * 1e6);
    while (!pred() && !MeasRunEnded(&run) && line.NowUs() < limit)
        Step();
    return pred();
}

void SimHarness::RunFor(double seconds)
{
    const std::uint64_t until = line.NowUs() + static_cast<std::uint64_t>(seconds * 1e6);
    RunUntil([&] { return line.NowUs() >= until; }, seconds + 1.0);
}
