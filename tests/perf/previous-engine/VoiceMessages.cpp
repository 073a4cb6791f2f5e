// Re-encoding of source voice definitions as Heron voice messages.
#include "CnvLarkWrentoHeron.h"
#include "RecordBytes.h"

namespace previous_engine {

namespace {

const std::uint8_t kTableA[16] = {0, 0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14};
const std::uint8_t kTableB[16] = {0, 0, 0, 0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15};
const std::uint8_t kMessageHead[] = {0x43, 0x79, 0x08, 0x7F, 0x21, 0x7C, 0x02};

std::uint8_t WaveMap(std::uint8_t byWave) {
    switch (byWave) {
        case 11: return 10;
        case 13: return 12;
        case 14: return 15;
        default: return byWave;
    }
}

// Opens a voice message: F0, length, fixed head, voice number, four zeros.
void AppendVoiceHead(ByteBuffer& out, bool bFourBlocks, std::uint8_t byVoice) {
    AppendByte(out, 0xF0);
    AppendByte(out, bFourBlocks ? 0x37 : 0x23);
    AppendBytes(out, kMessageHead, sizeof kMessageHead);
    AppendByte(out, byVoice);
    for (int i = 0; i < 4; ++i) {
        AppendByte(out, 0x00);
    }
}

struct OperatorBlock {
    std::uint8_t b[10] = {};
};

void AppendBlock(ByteBuffer& out, const OperatorBlock& block) { AppendBytes(out, block.b, sizeof block.b); }

}  // namespace

// Definitions for slots above 15 have no voice number (the voice map holds 16
// slots, so no program change can select them); they are left out rather
// than written under an invented number that could replace a real voice.
std::int32_t CCnvLarkWrentoHeron::WriteVoiceFormat0(const EventRecord& record, const std::int32_t* anVoiceMap,
                                                    ByteBuffer& out) {
    const auto q = [&record](std::uint32_t i) { return RecordByte(record, i); };
    const std::uint8_t bySlot = q(4);
    if (bySlot > 15) {
        return 1;
    }
    AppendVoiceHead(out, false, static_cast<std::uint8_t>(anVoiceMap[bySlot] & 0xFF));
    AppendByte(out, static_cast<std::uint8_t>(0x78 | (q(7) & 3)));
    AppendByte(out, ((q(8) & 0x10) || (q(12) & 0x10)) ? 0xC0 : 0x00);

    const std::uint8_t bySelector = q(7) & 3;
    const std::uint8_t byWave = q(16 + bySelector);
    for (int k = 0; k < 2; ++k) {
        const std::uint8_t p0 = q(8 + 4 * k);
        const std::uint8_t p1 = q(9 + 4 * k);
        const std::uint8_t p2 = q(10 + 4 * k);
        const std::uint8_t p3 = q(11 + 4 * k);
        const std::uint8_t byWaveNibble = k == 0 ? (byWave >> 4) : (byWave & 0x0F);
        const int i1 = ((p0 & 3) << 2) | (p1 >> 6);
        const std::uint8_t r = kTableA[(p1 >> 2) & 0x0F];
        OperatorBlock block;
        if (p0 & 0x08) {
            const std::uint8_t h = (p0 & 0x04) ? 4 : kTableA[i1];
            block.b[0] = 0x00;
            block.b[1] = static_cast<std::uint8_t>((h << 4) + r);
        } else {
            block.b[0] = static_cast<std::uint8_t>(kTableA[i1] << 4);
            block.b[1] = static_cast<std::uint8_t>((p0 & 0x04) ? r + 0x40 : r + 0x70);
        }
        block.b[2] = static_cast<std::uint8_t>((kTableB[((p1 & 3) << 2) | (p2 >> 6)] << 4) | ((p2 >> 2) & 0x0F));
        block.b[3] = static_cast<std::uint8_t>(((p2 & 3) << 6) | ((p3 >> 4) << 2));
        block.b[4] = (p0 & 0x10) ? 5 : 0;
        block.b[6] = p3 & 0x0F;
        block.b[9] = static_cast<std::uint8_t>(WaveMap(byWaveNibble) << 4);
        AppendBlock(out, block);
    }
    AppendByte(out, 0xF7);
    return 1;
}

std::int32_t CCnvLarkWrentoHeron::WriteVoiceFormat1(const EventRecord& record, const std::int32_t* anVoiceMap,
                                                    ByteBuffer& out) {
    const auto q = [&record](std::uint32_t i) { return RecordByte(record, i); };
    const std::uint8_t bySlot = q(4);
    if (bySlot > 15) {
        return 0;
    }
    const std::uint8_t byConnection = q(7) & 7;
    const bool bFourBlocks = byConnection > 1;
    AppendVoiceHead(out, bFourBlocks, static_cast<std::uint8_t>(anVoiceMap[bySlot] & 0xFF));
    AppendByte(out, static_cast<std::uint8_t>(0x78 | (q(8) & 3)));
    AppendByte(out, q(7) & 0xC7);

    const std::uint8_t e = (q(7) >> 3) & 7;
    const int nBlocks = bFourBlocks ? 4 : 2;
    for (int k = 0; k < nBlocks; ++k) {
        const std::uint8_t b0 = q(9 + 5 * k);
        const std::uint8_t b1 = q(10 + 5 * k);
        const std::uint8_t b2 = q(11 + 5 * k);
        const std::uint8_t b3 = q(12 + 5 * k);
        const std::uint8_t b4 = q(13 + 5 * k);
        OperatorBlock block;
        if (b0 & 0x04) {
            const std::uint8_t h = (b0 & 0x02) ? 4 : (b1 >> 4);
            block.b[0] = b0 & 1;
            block.b[1] = static_cast<std::uint8_t>((h << 4) | (b1 & 0x0F));
        } else {
            block.b[0] = static_cast<std::uint8_t>((b1 & 0xF0) | (b0 & 1));
            block.b[1] = static_cast<std::uint8_t>((b0 & 0x02) ? 0x40 + (b1 & 0x0F) : b1);
        }
        block.b[2] = b2;
        block.b[3] = b3;
        block.b[4] = static_cast<std::uint8_t>(((b4 & 0x38) << 1) | ((b4 >> 6) << 1) | ((b0 >> 3) & 1));
        block.b[6] = static_cast<std::uint8_t>(((b4 & 7) << 3) | (k == 0 ? e : 0));
        block.b[9] = static_cast<std::uint8_t>(WaveMap(b0 >> 4) << 4);
        AppendBlock(out, block);
    }
    AppendByte(out, 0xF7);
    return 0;
}

}  // namespace previous_engine
