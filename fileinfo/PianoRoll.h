// The SVG piano roll of kestrel-info --roll: time across, key up, one lane
// colour per output channel, with a channel legend and a tick ruler. A
// source file gets two panels, its notes as the converter keys them above
// and the converted file's notes below; a Heron file one.
//
// Every note is a <rect class="note"> with data-channel, data-key,
// data-tick and data-ticks (gate time); notes of the audio track's channels
// carry data-audio="1". The size stays bounded: a panel holds at most
// nMaxRects rectangles. Beyond that, notes of one channel and key whose
// rectangles lie within B pixels of each other are drawn as one rectangle
// spanning them (with data-notes, the number of notes it stands for), B
// starting at one pixel and doubling until the panel fits.
#pragma once

#include <cstddef>
#include <ostream>

#include "FileDescription.h"

namespace fileinfo {

struct CRollOptions {
    int nWidth = 1200;              // pixels of the time axis
    std::size_t nMaxRects = 10000;  // per panel
};

// d must have been described with CDescribeOptions::bNotes.
void WritePianoRoll(std::ostream& out, const CFileDescription& d, const CRollOptions& options = {});

}  // namespace fileinfo
