// The graph record and document readers' promises on their seeds and on a
// fixed, seeded series of mutations, so every test run exercises what the
// fuzzer does. The kept inputs of every target: fuzz_replay_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "graphrecord.h"
#include "klv_fuzz_check.h"
#include "klvdoc.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Count and size fields whose extreme values have broken readers before.
const std::uint32_t kBoundaryWords[] = {0,    1,    2,          1023,       1024,
                                        1025, 3750, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

void PutWord(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4 && at + i < b.size(); ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Offsets of the count and size fields of the first record after a start.
std::vector<std::size_t> FieldOffsets(const Bytes& seed)
{
    const std::size_t record = seed.size() >= 4 && std::memcmp(seed.data(), "KLV2", 4) == 0 ? 4 : 0;
    std::vector<std::size_t> at = {record + 4 + 80 + 148}; // nGraphs
    at.push_back(record + kGraphRecordFixedSize);          // nSize of graph 1
    at.push_back(record + kGraphRecordFixedSize + 4);      // nBuffEnd of graph 1
    return at;
}

Bytes Mutate(const Bytes& seed, std::mt19937& rng)
{
    Bytes b = seed;
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng() % n); };
    const int steps = 1 + static_cast<int>(rng() % 4);
    for (int s = 0; s < steps; ++s) {
        switch (rng() % 7) {
        case 0: // flip a bit
            if (!b.empty())
                b[pick(b.size())] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
            break;
        case 1: // cut the input short
            b.resize(pick(b.size() + 1));
            break;
        case 2: { // insert junk
            Bytes junk(1 + pick(8));
            for (auto& x : junk)
                x = "TG\r\nKLV2\0\xff"[pick(10)];
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(pick(b.size() + 1)), junk.begin(),
                     junk.end());
            break;
        }
        case 3: { // a count or size field at an extreme
            const std::vector<std::size_t> at = FieldOffsets(seed);
            PutWord(b, at[pick(at.size())], kBoundaryWords[pick(std::size(kBoundaryWords))]);
            break;
        }
        case 4: // any word anywhere at an extreme
            if (!b.empty())
                PutWord(b, pick(b.size()), kBoundaryWords[pick(std::size(kBoundaryWords))]);
            break;
        case 5: { // drop a stretch
            const std::size_t from = pick(b.size() + 1);
            const std::size_t count = std::min(b.size() - from, pick(200) + 1);
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(from),
                    b.begin() + static_cast<std::ptrdiff_t>(from + count));
            break;
        }
        default: { // repeat a stretch
            const std::size_t from = pick(b.size() + 1);
            const std::size_t count = std::min(b.size() - from, pick(300) + 1);
            Bytes copy(b.begin() + static_cast<std::ptrdiff_t>(from),
                       b.begin() + static_cast<std::ptrdiff_t>(from + count));
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(pick(b.size() + 1)), copy.begin(),
                     copy.end());
            break;
        }
        }
    }
    return b;
}

bool DocumentReads(const Bytes& b)
{
    MeasurementDocument doc;
    return static_cast<bool>(ReadKlvDocument(b.data(), b.size(), doc));
}

bool RecordReads(const Bytes& b)
{
    MemoryByteSource source(b.data(), b.size());
    GraphWindowImage w;
    return static_cast<bool>(ReadGraphRecord(source, w));
}

} // namespace

TEST(FuzzSeeds, EverySeedReadsAndKeepsThePromises)
{
    const std::vector<Bytes> seeds = KlvFuzzSeeds();
    ASSERT_GE(seeds.size(), 5u);
    for (const Bytes& seed : seeds) {
        EXPECT_EQ(CheckKlvReaders(seed.data(), seed.size()), "");
        const bool isDocument = std::memcmp(seed.data(), "KLV2", 4) == 0;
        EXPECT_TRUE(isDocument ? DocumentReads(seed) : RecordReads(seed));
    }
    EXPECT_EQ(seeds.back().size(), 53372u);
}

TEST(FuzzMutations, SeededMutationsOfEverySeedKeepThePromises)
{
    std::mt19937 rng(20261207);
    int readable = 0, total = 0;
    for (const Bytes& seed : KlvFuzzSeeds()) {
        const int rounds = seed.size() > 20000 ? 150 : 600;
        for (int round = 0; round < rounds; ++round) {
            const Bytes mutant = Mutate(seed, rng);
            const std::string broken = CheckKlvReaders(mutant.data(), mutant.size());
            ASSERT_EQ(broken, "") << "seed of " << seed.size() << " bytes, round " << round;
            readable += DocumentReads(mutant) || RecordReads(mutant);
            ++total;
        }
    }
    // Mutants that still read are where the round-trip promises are checked;
    // without them this test would only prove that nothing crashes.
    EXPECT_GT(readable, total / 10);
    EXPECT_LT(readable, total);
}
