#include "ChunkTree.h"

#include "HeronText.h"

namespace fileinfo {

CChunkNode* CChunkTreeBuilder::Add(const std::uint8_t* pId, std::uint64_t nOffset, std::uint64_t nSize,
                                   bool bPastEnd) {
    CChunkNode* pParent = m_vecOpen.empty() ? &m_root : m_vecOpen.back().pKept;
    CChunkNode* pCounter = m_vecOpen.empty() ? &m_root : m_vecOpen.back().pCounter;
    m_pLastCounter = pCounter;
    const bool bTooDeep = m_vecOpen.size() >= kMaxChunkDepth;
    if (pParent == nullptr || bTooDeep || pParent->vecChildren.size() >= kMaxChunksPerLevel ||
        m_nKept >= kMaxChunks) {
        m_bTooDeep = m_bTooDeep || bTooDeep;
        ++pCounter->nOmitted;
        ++m_nOmitted;
        m_pLast = nullptr;
        return nullptr;
    }
    CChunkNode node;
    node.strId = pId != nullptr ? heron::IdText(pId) : "";
    node.nOffset = nOffset;
    node.nSize = nSize;
    node.bPastEnd = bPastEnd;
    pParent->vecChildren.push_back(std::move(node));
    ++m_nKept;
    m_pLast = &pParent->vecChildren.back();
    return m_pLast;
}

void CChunkTreeBuilder::OpenLast(std::uint64_t nEnd) {
    m_vecOpen.push_back({m_pLast, m_pLast != nullptr ? m_pLast : m_pLastCounter, nEnd});
}

}  // namespace fileinfo
