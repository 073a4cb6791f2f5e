// The frequency helpers against their defining formulas, over every input
// they can get: the engine computes them without the power function, and
// not a bit of the result may change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "Pitch.h"

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(Pitch, FmFrequencyIsTheDefiningProductForEveryBlockAndFnumber) {
    for (int nBlock = 0; nBlock < 256; ++nBlock) {
        for (int nFnum = 0; nFnum < 1024; ++nFnum) {
            const double dDefined = std::pow(2.0, static_cast<double>(nBlock) - 20.0) * 49700.0 * nFnum;
            ASSERT_TRUE(SameBits(pitch::FmFrequency(static_cast<std::uint8_t>(nBlock),
                                                    static_cast<std::uint16_t>(nFnum)),
                                 dDefined))
                << "block " << nBlock << " F-number " << nFnum;
        }
    }
}

TEST(Pitch, KeyFrequencyIsTheDefiningPowerForEveryKey) {
    for (int nKey = 0; nKey < 256; ++nKey) {
        ASSERT_TRUE(SameBits(pitch::KeyFrequency(static_cast<std::uint8_t>(nKey)),
                             440.0 * std::pow(2.0, (nKey - 69) / 12.0)))
            << "key " << nKey;
    }
    EXPECT_EQ(pitch::KeyFrequency(69), 440.0);
}

}  // namespace
