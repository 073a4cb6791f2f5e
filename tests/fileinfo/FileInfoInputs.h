// Small files of each kind for the kestrel-info tests, built with the test
// builder (and converted by the engine for the Heron one).
#pragma once

#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "FileDescription.h"
#include "VelaBuilder.h"

namespace fileinfotest {

using vela::Bytes;

// Format 0: one voice, a setup tempo, two notes on two channels, a program
// change, an octave shift that moves the second note, an ignored event.
inline Bytes SmallSource() {
    vela::CSequenceBuilder seq;
    seq.ProgramChange(0, 1, 5)
        .Note(0, 0, 2, 5, 96)
        .OctaveShift(10, 1, 0x81)
        .Note(38, 1, 1, 0, 48)
        .ShortFF(0, 0x20)
        .EndOfSequence(96);
    vela::CSetupBuilder setup;
    setup.VoiceFormat0(1, 0, 5, vela::Format0VoiceParams()).Tempo(20);
    vela::CTrackHeader header;
    header.abyChannelStatus[0] = 0x5A;
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x00))
        .Add(vela::ScoreTrack(0, header).Add(vela::Setup(setup)).Add(vela::ScoreSequence(seq)))
        .ToBytes();
}

inline Bytes Converted(const Bytes& source) {
    CCnvLarkWrentoHeron cnv;
    ByteBuffer out;
    cnv.Convert(source.data(), static_cast<std::int32_t>(source.size()), out);
    return out.Bytes();
}

inline Bytes SmallHeron() { return Converted(SmallSource()); }

inline fileinfo::CFileDescription Describe(const Bytes& file, bool bEvents = true, bool bNotes = true,
                                          const std::string& strPath = "small.mmf") {
    fileinfo::CDescribeOptions options;
    options.bEvents = bEvents;
    options.bNotes = bNotes;
    return fileinfo::DescribeFile(strPath, file.data(), file.size(), options);
}

}  // namespace fileinfotest
