// The built-in "series" scenario against a small scripted host that runs a
// measurement series the way the measurement program does: identification,
// start request, settling, threshold, recording, confirmation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "device_model.h"

using namespace klvdevice;

namespace {

constexpr int kCurveLength = 3750;
constexpr int kRingLength = 625;

struct Figures {
  double eff = 0, clamp = 0, peak = 0, pulse = 0;
};

class ScriptedHost {
 public:
  explicit ScriptedHost(VirtualSerialPort& port) : port_(port) {}

  bool identify() {
    send({0xF0, 0x85, 0x89});
    DeviceInfo info{};
    for (std::uint8_t i = 0; i < 30; ++i) {
      port_.write({0x52, i});
      port_.sleepMs(10);
      int b = port_.readByte(1010);
      if (b < 0) return false;
      info[i] = static_cast<std::uint8_t>(b);
      port_.sleepMs(20);
    }
    if (std::string(info.begin() + 4, info.begin() + 11) != "KLV1-AC") return false;
    fullScale_ = info[11] == '5' ? 500 : 300;
    return true;
  }

  // Runs until the series is complete or `limitSeconds` of device time passed.
  bool runSeries(double limitSeconds) {
    send({0xE0});
    nextTick_ = port_.nowUs() + 500000;
    std::vector<std::uint8_t> triplet;
    while (!complete_ && port_.nowUs() < secondsToMicros(limitSeconds)) {
      int b = port_.readByte(1010);
      if (b < 0) return false;
      if (b & 0x80) triplet.clear();
      else if (triplet.empty()) continue;  // not aligned yet
      triplet.push_back(static_cast<std::uint8_t>(b));
      if (triplet.size() == 3) {
        handle(decodeTriplet(triplet.data()));
        triplet.clear();
      }
      while (!complete_ && port_.nowUs() >= nextTick_) {
        tick();
        nextTick_ += 500000;
      }
    }
    return complete_;
  }

  int fullScale() const { return fullScale_; }
  const std::vector<std::vector<int>>& curves() const { return curves_; }

  Figures evaluate(const std::vector<int>& c) const {
    Figures f;
    double sum = 0;
    int n = 0;
    for (int i = 625; i < kCurveLength; ++i) {
      double v = toNewtons(c[i]);
      if (v >= 50.0) sum += v, ++n;
    }
    f.eff = n ? sum / n : 0;
    f.pulse = n * 0.0016;
    f.clamp = toNewtons(c[kCurveLength - 1]);
    for (int k : c) f.peak = std::max(f.peak, toNewtons(k));
    return f;
  }

 private:
  enum State { WaitStart, Settling, WaitThreshold, Measuring };

  void send(std::initializer_list<std::uint8_t> b) { port_.write(b); }

  double toNewtons(int count) const { return count * double(fullScale_) / 4095.0; }

  int rescale(int k) const {
    const double span = fullScale_ * 1.1;
    float a = static_cast<float>(k * span / 4095.0);
    float b = static_cast<float>(double(a) * 4095.0 / fullScale_);
    return static_cast<int>(b);
  }

  int threshold() const { return fullScale_ == 500 ? 82 : 683; }

  void handle(const DecodedTriplet& t) {
    if (!t.valid) return;
    const int v = rescale(t.count);
    switch (state_) {
      case WaitStart:
        if (measNo_ < 4) send({0x85, 0x88});
        if (!t.status.startRequest) return;
        if (measNo_ == 4) {
          send({0x89, 0x85, 0xF0});
          complete_ = true;
          return;
        }
        state_ = Settling;
        zero_ = v;
        ringPos_ = 0;
        return;
      case Settling:
        ring_[ringPos_++] = std::max(0, v - zero_);
        if (ringPos_ == kRingLength) {
          state_ = WaitThreshold;
          ringPos_ = 0;
        }
        return;
      case WaitThreshold:
        ring_[ringPos_] = std::max(0, v - zero_);
        ringPos_ = (ringPos_ + 1) % kRingLength;
        if (v - zero_ >= threshold()) {
          curve_.clear();
          for (int i = 0; i < kRingLength; ++i) curve_.push_back(ring_[(ringPos_ + i) % kRingLength]);
          state_ = Measuring;
          record(v);
        }
        return;
      case Measuring: record(v); return;
    }
  }

  void record(int v) {
    curve_.push_back(std::max(0, v - zero_));
    if (static_cast<int>(curve_.size()) == kCurveLength) {
      curves_.push_back(curve_);
      state_ = WaitStart;
      ++measNo_;
      send({0x85, 0x88});
    }
  }

  void tick() {
    if (state_ == Measuring && !blink_) {
      send({0x84});
      blink_ = true;
    } else if (state_ == WaitThreshold) {
      send({0x89});
      send({static_cast<std::uint8_t>(blink_ ? 0x85 : 0x84)});
      blink_ = !blink_;
    }
  }

  VirtualSerialPort& port_;
  int fullScale_ = 0;
  State state_ = WaitStart;
  int measNo_ = 1;
  int zero_ = 0;
  int ring_[kRingLength] = {};
  int ringPos_ = 0;
  bool blink_ = false;
  bool complete_ = false;
  Micros nextTick_ = 0;
  std::vector<int> curve_;
  std::vector<std::vector<int>> curves_;
};

TEST(SeriesScenario, PlaysAWholeSeriesAgainstAHostThatWaitsForIt) {
  DeviceModel device(loadScenario("series"));
  std::vector<std::string> events;
  device.setLogSink([&](Micros, LogKind k, const std::string& t) {
    if (k == LogKind::Event && t.find("satisfied") != std::string::npos) events.push_back(t);
  });
  VirtualSerialPort port(&device);
  ScriptedHost host(port);
  ASSERT_TRUE(host.identify());
  EXPECT_EQ(host.fullScale(), 500);
  ASSERT_TRUE(host.runSeries(120.0));
  ASSERT_EQ(host.curves().size(), 3u);

  const double peaks[3] = {310, 345, 280}, clamps[3] = {45, 62, 38};
  for (int m = 0; m < 3; ++m) {
    const auto& c = host.curves()[m];
    SCOPED_TRACE("measurement " + std::to_string(m + 1));
    // The closing really crossed the threshold: the trigger sample stands at
    // index 624 and the sample before it is below the threshold.
    EXPECT_GE(c[624], 82);
    EXPECT_LT(c[623], 82);
    EXPECT_EQ(c[624], c[625]);
    Figures f = host.evaluate(c);
    EXPECT_NEAR(f.peak, peaks[m], peaks[m] * 0.02);
    EXPECT_NEAR(f.clamp, clamps[m], 1.5);
    EXPECT_GT(f.eff, 50.0);
    EXPECT_LT(f.eff, f.peak);
    EXPECT_GT(f.pulse, 0.02);
    if (clamps[m] < 50) EXPECT_LT(f.pulse, 0.6);  // the pulse, not the clamping
    else EXPECT_GT(f.pulse, 4.5);                 // clamped above 50 N the whole time
  }
  // The three closings differ.
  EXPECT_NE(host.evaluate(host.curves()[0]).peak, host.evaluate(host.curves()[1]).peak);

  // The host stopped the stream at the first sample of the confirming press;
  // once the press is over, the scenario's last await sees the stream off.
  port.sleepMs(150);
  EXPECT_FALSE(device.scenarioEnded());
  port.sleepMs(100);
  EXPECT_TRUE(device.scenarioEnded());
  EXPECT_FALSE(device.streaming());
  // Every await was satisfied by the host: 4 start waits, 3 threshold waits, the stop.
  EXPECT_EQ(events.size(), 8u);
}

TEST(SeriesScenario, IsDeterministic) {
  auto run = [] {
    DeviceModel device(loadScenario("series"));
    VirtualSerialPort port(&device);
    ScriptedHost host(port);
    EXPECT_TRUE(host.identify());
    EXPECT_TRUE(host.runSeries(120.0));
    return host.curves();
  };
  EXPECT_EQ(run(), run());
}

TEST(SeriesScenario, WaitsWhileTheHostDoesNotAskForAStart) {
  DeviceModel device(loadScenario("series"));
  device.write({0xE0});
  auto bytes = device.pull(3 * 625 * 20);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    DecodedTriplet t = decodeTriplet(&bytes[i]);
    ASSERT_FALSE(t.status.startRequest);
    ASSERT_NEAR(t.count, 40, 2);
  }
  EXPECT_FALSE(device.scenarioEnded());
}

}  // namespace
