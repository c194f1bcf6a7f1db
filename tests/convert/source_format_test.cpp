#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "convert/source/source_format.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::int64_t Find(const std::vector<std::uint8_t>& buffer, int* kinds, std::int64_t start = 0) {
    return FindChunkTag(buffer.data(), start, static_cast<std::int64_t>(buffer.size()), kinds);
}

} // namespace

TEST(FindChunkTag, ReportsTheKindOfEachTagAndItsPosition) {
    int kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes("00dcH264"), &kinds), 0);
    EXPECT_EQ(kinds, KIND_KEY_VIDEO);

    kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes("xyz01dcH264"), &kinds), 3);
    EXPECT_EQ(kinds, KIND_VIDEO);

    kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes("03wb----"), &kinds), 0);
    EXPECT_EQ(kinds, KIND_AUDIO);
}

TEST(FindChunkTag, LeadByteMustLieBetweenDigitZeroAndAt) {
    int kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes("A0dcH264"), &kinds), -1);
    EXPECT_EQ(Find(Bytes("/0dcH264"), &kinds), -1);
    EXPECT_EQ(kinds, kAllChunkKinds) << "a miss leaves the mask alone";
    EXPECT_EQ(Find(Bytes("@1dcH264"), &kinds), 0);
    kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes("93wb1234"), &kinds), 0);
    kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes(":3wb1234"), &kinds), 0);
}

TEST(FindChunkTag, NeedsEightBytesFromEveryCandidate) {
    int kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes("00dcH26"), &kinds), -1);
    EXPECT_EQ(Find(Bytes("xx03wb123"), &kinds), -1) << "audio tag with only 7 bytes to the end";
    EXPECT_EQ(Find(Bytes("xx03wb1234"), &kinds), 2);
    kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes("00dcH264"), &kinds, 1), -1) << "start past the only tag";
    EXPECT_EQ(FindChunkTag(nullptr, 0, 0, &kinds), -1);
    EXPECT_EQ(kinds, kAllChunkKinds);
}

TEST(FindChunkTag, SkipsTagsOutsideTheMask) {
    std::vector<std::uint8_t> buffer(120, 0);
    std::memcpy(buffer.data(), "00dcH264", 8);
    std::memcpy(buffer.data() + 100, "03wb", 4);
    int kinds = KIND_AUDIO;
    EXPECT_EQ(Find(buffer, &kinds), 100);
    EXPECT_EQ(kinds, KIND_AUDIO);

    kinds = 0;
    EXPECT_EQ(Find(buffer, &kinds), -1);
    EXPECT_EQ(kinds, 0);
    EXPECT_EQ(Find(buffer, nullptr), 0) << "without a mask any tag qualifies";
}

TEST(FindChunkTag, NearMissesAreNotTags) {
    int kinds = kAllChunkKinds;
    EXPECT_EQ(Find(Bytes("02dcH264"), &kinds), -1);
    EXPECT_EQ(Find(Bytes("00dcH265"), &kinds), -1);
    EXPECT_EQ(Find(Bytes("03wc1234"), &kinds), -1);
    EXPECT_EQ(Find(Bytes("0000dcH2"), &kinds), -1);
}

class HeaderRate : public ::testing::Test {
protected:
    std::uint8_t header[kHeaderBytes] = {};
    void Record(int k, std::uint8_t rate, bool inUse = true) {
        header[100 + 40 * k] = inUse ? 1 : 0;
        header[101 + 40 * k] = rate;
    }
    int Rate() const { return DecodeHeaderRate(header, kHeaderBytes); }
};

TEST_F(HeaderRate, DecodesTheRateByte) {
    EXPECT_EQ(DecodeRateByte(0x19), 25);
    EXPECT_EQ(DecodeRateByte(0x99), 25) << "bit 7 alone keeps the low five bits";
    EXPECT_EQ(DecodeRateByte(0x59), 25) << "bit 6 alone keeps the low five bits";
    EXPECT_EQ(DecodeRateByte(0xD9), 1) << "both top bits set mean 1";
    EXPECT_EQ(DecodeRateByte(0x1F), 31);
    EXPECT_EQ(DecodeRateByte(0x20), 0);
}

TEST_F(HeaderRate, TheLastRecordInUseWinsEvenWithNoRate) {
    EXPECT_EQ(Rate(), 0) << "no record in use";
    Record(0, 0x19);
    EXPECT_EQ(Rate(), 25);
    Record(2, 0x0F);
    EXPECT_EQ(Rate(), 15);
    Record(3, 0x05, false);
    EXPECT_EQ(Rate(), 15) << "records not in use change nothing";
    Record(3, 0x00);
    EXPECT_EQ(Rate(), 0) << "an in-use record decoding to 0 takes the rate away";
}

TEST_F(HeaderRate, AShortHeaderReadsAsZeros) {
    Record(0, 0x19);
    Record(1, 0x0A);
    EXPECT_EQ(DecodeHeaderRate(header, 141), 0) << "record 1's rate byte is missing";
    EXPECT_EQ(DecodeHeaderRate(header, 140), 25) << "record 1 is missing altogether";
    EXPECT_EQ(DecodeHeaderRate(header, 0), 0);
    const auto records = ReadRateRecords(header, kHeaderBytes);
    EXPECT_TRUE(records[1].inUse);
    EXPECT_EQ(records[1].rateByte, 0x0A);
    EXPECT_EQ(records[1].decodedRate, 10);
}
