// Hostile files for the description's bounds: chunks nested as deep as the
// file allows, source tracks nested in each other, and files of nothing but
// empty chunks. Built in linear time (the nested bodies are not copied level
// by level) and framed by the test builder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "VelaBuilder.h"

namespace fileinfotest {

// nLevels chunks with the ID, each the only content of the one before, each
// followed by nHeader zero bytes (a track header) before the next.
inline vela::Bytes NestedChunks(std::string_view id, std::size_t nLevels, std::size_t nHeader = 0) {
    vela::Bytes bytes;
    bytes.reserve(nLevels * (8 + nHeader));
    const std::size_t nLevel = 8 + nHeader;
    for (std::size_t i = 0; i < nLevels; ++i) {
        bytes.insert(bytes.end(), id.begin(), id.end());
        vela::AppendBE32(bytes, static_cast<std::uint32_t>((nLevels - i) * nLevel - 8));
        bytes.insert(bytes.end(), nHeader, 0);
    }
    return bytes;
}

// A Heron file (contents type 0x39) whose "OPDA" chunks nest nLevels deep.
inline vela::Bytes DeepHeron(std::size_t nLevels) {
    return vela::CVelaFile().Add(vela::ContentsInfo(0x39)).Raw(NestedChunks("OPDA", nLevels)).ToBytes();
}

// A source file of nLevels score tracks "MTR" + 0, each inside the one before.
inline vela::Bytes NestedTracks(std::size_t nLevels) {
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x00))
        .Raw(NestedChunks(std::string_view("MTR\0", 4), nLevels, 6))
        .ToBytes();
}

// A source file of about nSize bytes: contents info, then empty chunks.
inline vela::Bytes ManyEmptyChunks(std::size_t nSize) {
    vela::Bytes empty;
    for (std::size_t i = 0; i < nSize / 8; ++i) {
        empty.insert(empty.end(), {'E', 'm', 't', 'y', 0, 0, 0, 0});
    }
    return vela::CVelaFile().Add(vela::ContentsInfo(0x00)).Raw(empty).ToBytes();
}

}  // namespace fileinfotest
