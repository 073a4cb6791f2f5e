// The parts of DescribeFile, one per generation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FileDescription.h"
#include "HeronCheck.h"

namespace fileinfo {

void DescribeSource(const std::uint8_t* pBytes, std::size_t nSize, const CDescribeOptions& options,
                    CFileDescription& d);
void DescribeHeron(const std::uint8_t* pBytes, std::size_t nSize, const CDescribeOptions& options,
                   CFileDescription& d);

// The notes of a Heron file's score sequence, and the tick of its last event
// or note end.
void CollectHeronNotes(const std::uint8_t* pFile, const heron::CLayout& layout, std::vector<CNote>& vecNotes,
                       std::uint32_t& nLengthTicks);

}  // namespace fileinfo
