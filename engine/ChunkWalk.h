// The walk over a source file's chunks that every finder of the analysis
// uses, open to other readers (kestrel-info draws its chunk tree with it) so
// that the file is read by one set of rules.
//
// It starts behind the file head and goes on while (p - 8) < F - 2, F being
// the input length minus 8 (the size field, once validated). For each chunk
// the classifier decides: stop here, enter it (skip the chunk head and the
// 6-byte track header and go on with its sub-chunks, then whatever follows
// at top level), or skip it whole. A chunk whose head, body or track header
// reaches beyond the input ends the walk as a failure.
#pragma once

#include <cstddef>
#include <cstdint>

#include "InputReader.h"

struct CChunkStep {
    std::size_t nOffset = 0;            // of the chunk ID
    const std::uint8_t* pId = nullptr;  // the 4 ID bytes (null when the head is cut off)
    std::uint32_t nSize = 0;            // body size field
};

enum class EChunkAction : std::uint8_t { Stop, Enter, Skip };

enum class EChunkWalkEnd : std::uint8_t {
    Finished,            // walked to the end
    Stopped,             // the classifier stopped at step
    HeadPastEnd,         // the 8-byte head at step.nOffset is cut off
    BodyPastEnd,         // step's body reaches beyond the input
    TrackHeaderPastEnd,  // step was to be entered but its track header is cut off
};

struct CChunkWalkResult {
    EChunkWalkEnd eEnd = EChunkWalkEnd::Finished;
    CChunkStep step;  // where it stopped or failed
};

// classify(const CChunkStep&) -> EChunkAction; entered(const CChunkStep&) is
// called for a chunk being entered once its track header is known to lie
// inside the input.
template <typename Classify, typename Entered>
CChunkWalkResult WalkChunks(const CInputReader& in, const Classify& classify, const Entered& entered) {
    const std::uint64_t nFileField = in.Size() - 8;
    std::uint64_t p = 8;
    CChunkWalkResult result;
    while (p - 8 < nFileField - 2) {
        CChunkStep& step = result.step;
        step = CChunkStep{static_cast<std::size_t>(p), nullptr, 0};
        if (!in.ReadBE32(p + 4, step.nSize)) {
            result.eEnd = EChunkWalkEnd::HeadPastEnd;
            return result;
        }
        step.pId = in.At(p);
        if (!in.Has(p + 8, step.nSize)) {
            result.eEnd = EChunkWalkEnd::BodyPastEnd;
            return result;
        }
        switch (classify(static_cast<const CChunkStep&>(step))) {
            case EChunkAction::Stop:
                result.eEnd = EChunkWalkEnd::Stopped;
                return result;
            case EChunkAction::Enter:
                if (!in.Has(p, 14)) {
                    result.eEnd = EChunkWalkEnd::TrackHeaderPastEnd;
                    return result;
                }
                entered(static_cast<const CChunkStep&>(step));
                p += 14;
                break;
            case EChunkAction::Skip:
                p += 8 + std::uint64_t{step.nSize};
                break;
        }
    }
    result.eEnd = EChunkWalkEnd::Finished;
    result.step = CChunkStep{};
    return result;
}
