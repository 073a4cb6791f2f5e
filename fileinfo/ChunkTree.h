// Builder of a description's chunk tree, in walk order. What it keeps is
// bounded, whatever the input: at most kMaxChunkDepth levels below the file
// chunk, kMaxChunksPerLevel children of one chunk and kMaxChunks in all.
// The chunks beyond are counted (CChunkNode::nOmitted of the deepest kept
// chunk that holds them), so time stays linear and memory constant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FileDescription.h"

namespace fileinfo {

inline constexpr std::size_t kMaxChunkDepth = 32;
inline constexpr std::size_t kMaxChunksPerLevel = 1000;
inline constexpr std::size_t kMaxChunks = 10000;
// Track chunks listed in a description; the rest are counted.
inline constexpr std::size_t kMaxTracks = 1000;

class CChunkTreeBuilder {
public:
    // root is the file chunk; it must outlive the builder and stay in place.
    explicit CChunkTreeBuilder(CChunkNode& root) : m_root(root) {}

    // Adds a chunk inside the innermost open chunk (the root when none is
    // open). The kept node, or null when the chunk is only counted; the
    // pointer holds until the next Add.
    CChunkNode* Add(const std::uint8_t* pId, std::uint64_t nOffset, std::uint64_t nSize, bool bPastEnd);
    // Opens the chunk added last: later chunks go inside it until Close.
    void OpenLast(std::uint64_t nEnd);
    void Close() { m_vecOpen.pop_back(); }
    bool AnyOpen() const { return !m_vecOpen.empty(); }
    std::uint64_t InnermostEnd() const { return m_vecOpen.back().nEnd; }

    // Chunks counted but not kept, and whether any lay too deep.
    std::uint64_t Omitted() const { return m_nOmitted; }
    bool TooDeep() const { return m_bTooDeep; }

private:
    struct COpen {
        CChunkNode* pKept;     // the open chunk's node, null when it is not kept
        CChunkNode* pCounter;  // the deepest kept node holding it
        std::uint64_t nEnd;
    };
    CChunkNode& m_root;
    std::vector<COpen> m_vecOpen;
    CChunkNode* m_pLast = nullptr;
    CChunkNode* m_pLastCounter = nullptr;
    std::size_t m_nKept = 0;
    std::uint64_t m_nOmitted = 0;
    bool m_bTooDeep = false;
};

}  // namespace fileinfo
