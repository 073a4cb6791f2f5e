#include "PianoRoll.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fileinfo {
namespace {

constexpr int kLeft = 56;     // key labels
constexpr int kRight = 16;
constexpr int kTitle = 28;
constexpr int kPanelGap = 52;  // ruler and panel caption
constexpr int kLegendRow = 18;

const char* const kChannelColours[16] = {
    "#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
    "#bcbd22", "#17becf", "#393b79", "#ad494a", "#637939", "#8c6d31", "#7b4173", "#3182bd",
};
const char* const kAudioColours[4] = {"#444444", "#666666", "#888888", "#aaaaaa"};

const char* Colour(const CNote& note) {
    return note.bAudio ? kAudioColours[note.byChannel & 3] : kChannelColours[note.byChannel & 15];
}

std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                // Control characters are not allowed in XML 1.0 text.
                out += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
        }
    }
    return out;
}

struct CRect {
    CNote note;                // channel, key, audio; tick is the first start
    std::uint64_t nEnd = 0;    // tick where the last merged note ends
    std::uint32_t nNotes = 1;
};

// The rectangles of one panel: every note its own, or merged as the header
// says when there are more than nMaxRects.
std::vector<CRect> PanelRects(const std::vector<CNote>& notes, double dScale, const CRollOptions& options) {
    std::vector<CRect> rects;
    rects.reserve(std::min(notes.size(), options.nMaxRects));
    if (notes.size() <= options.nMaxRects) {
        for (const CNote& note : notes) {
            rects.push_back({note, std::uint64_t{note.nTick} + note.nTicks, 1});
        }
        return rects;
    }
    std::vector<CNote> sorted = notes;
    std::stable_sort(sorted.begin(), sorted.end(), [](const CNote& a, const CNote& b) {
        if (a.bAudio != b.bAudio) return a.bAudio < b.bAudio;
        if (a.byChannel != b.byChannel) return a.byChannel < b.byChannel;
        if (a.byKey != b.byKey) return a.byKey < b.byKey;
        return a.nTick < b.nTick;
    });
    for (double dGapPixels = 1.0;; dGapPixels *= 2.0) {
        rects.clear();
        const double dGapTicks = dGapPixels / dScale;
        for (const CNote& note : sorted) {
            if (!rects.empty()) {
                CRect& last = rects.back();
                if (last.note.bAudio == note.bAudio && last.note.byChannel == note.byChannel &&
                    last.note.byKey == note.byKey && static_cast<double>(note.nTick) <= last.nEnd + dGapTicks) {
                    last.nEnd = std::max(last.nEnd, std::uint64_t{note.nTick} + note.nTicks);
                    ++last.nNotes;
                    continue;
                }
            }
            rects.push_back({note, std::uint64_t{note.nTick} + note.nTicks, 1});
        }
        // At a gap of the whole width every channel and key is one rectangle.
        if (rects.size() <= options.nMaxRects || dGapPixels > options.nWidth) {
            return rects;
        }
    }
}

// Ruler steps of 1, 2 or 5 times a power of ten, about ten across.
std::uint64_t RulerStep(std::uint64_t nTotal) {
    std::uint64_t nStep = 1;
    for (;;) {
        for (std::uint64_t m : {1u, 2u, 5u}) {
            if (nTotal / (nStep * m) <= 10) {
                return nStep * m;
            }
        }
        nStep *= 10;
    }
}

const char* const kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

struct CPanel {
    std::string strCaption;
    const std::vector<CNote>* pNotes = nullptr;
    std::string strEmpty;  // shown instead of notes when there are none
};

}  // namespace

void WritePianoRoll(std::ostream& out, const CFileDescription& d, const CRollOptions& options) {
    std::vector<CPanel> panels;
    if (d.eGeneration == EGeneration::Source) {
        panels.push_back({"source notes, as the converter keys them (" + std::to_string(d.vecNotes.size()) + ")",
                          &d.vecNotes, d.bValid || d.bConverted ? "no notes" : "not analysed: " + d.strReason});
        panels.push_back({"converted notes (" + std::to_string(d.vecConvertedNotes.size()) + ")",
                          &d.vecConvertedNotes,
                          d.bConvertedOk ? "no notes" : "not converted: " + (d.strReason.empty() ? std::string("-") : d.strReason)});
    } else {
        panels.push_back({"notes (" + std::to_string(d.vecNotes.size()) + ")", &d.vecNotes, "no notes"});
    }

    // Common scales: the ticks of the longest panel, the keys of all.
    std::uint64_t nTotal = std::max<std::uint64_t>(d.nLengthTicks, d.nConvertedLengthTicks);
    int nLow = 127;
    int nHigh = 0;
    std::map<std::pair<bool, int>, std::set<int>> mapChannels;  // (audio, channel) -> source tracks
    for (const CPanel& panel : panels) {
        for (const CNote& note : *panel.pNotes) {
            nTotal = std::max(nTotal, std::uint64_t{note.nTick} + note.nTicks);
            nLow = std::min<int>(nLow, note.byKey);
            nHigh = std::max<int>(nHigh, note.byKey);
            auto& tracks = mapChannels[{note.bAudio, note.byChannel}];
            if (note.byTrack != 7) {
                tracks.insert(note.byTrack);
            }
        }
    }
    if (nLow > nHigh) {
        nLow = 48;
        nHigh = 72;
    }
    nLow = std::max(0, nLow - 2);
    nHigh = std::min(127, nHigh + 2);
    nTotal = std::max<std::uint64_t>(nTotal, 1);
    const int nKeys = nHigh - nLow + 1;
    const int nRow = std::clamp(320 / nKeys, 2, 10);
    const int nPanelHeight = nKeys * nRow;
    const double dScale = static_cast<double>(options.nWidth) / static_cast<double>(nTotal);
    const int nLegendRows = static_cast<int>((mapChannels.size() + 5) / 6);
    const int nWidth = kLeft + options.nWidth + kRight;
    const int nHeight = kTitle + static_cast<int>(panels.size()) * (nPanelHeight + kPanelGap) + 8 +
                        nLegendRows * kLegendRow + 8;

    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << nWidth << "\" height=\"" << nHeight
        << "\" viewBox=\"0 0 " << nWidth << ' ' << nHeight
        << "\" font-family=\"sans-serif\" font-size=\"11\">\n"
        << "<title>" << Escaped(d.strPath) << "</title>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
        << "<text x=\"" << kLeft << "\" y=\"18\" font-size=\"13\" font-weight=\"bold\">" << Escaped(d.strPath)
        << " (" << GenerationName(d.eGeneration) << ", " << nTotal << " ticks)</text>\n";

    char ach[256];
    int nTop = kTitle;
    const std::uint64_t nStep = RulerStep(nTotal);
    for (const CPanel& panel : panels) {
        out << "<g class=\"panel\">\n";
        out << "<text x=\"" << kLeft << "\" y=\"" << nTop + 12 << "\">" << Escaped(panel.strCaption) << "</text>\n";
        const int nPlotTop = nTop + 18;
        std::snprintf(ach, sizeof ach,
                      "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#f7f7f7\" stroke=\"#cccccc\"/>\n",
                      kLeft, nPlotTop, options.nWidth, nPanelHeight);
        out << ach;
        // Octave lines and labels at every C.
        for (int nKey = nLow; nKey <= nHigh; ++nKey) {
            if (nKey % 12 != 0) {
                continue;
            }
            const int y = nPlotTop + (nHigh - nKey) * nRow + nRow;
            std::snprintf(ach, sizeof ach,
                          "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"#dddddd\"/>"
                          "<text x=\"%d\" y=\"%d\" text-anchor=\"end\">%s%d</text>\n",
                          kLeft, y, kLeft + options.nWidth, y, kLeft - 6, y, kNoteNames[0], nKey / 12 - 1);
            out << ach;
        }
        const std::vector<CRect> rects = PanelRects(*panel.pNotes, dScale, options);
        for (const CRect& rect : rects) {
            const double x = kLeft + static_cast<double>(rect.note.nTick) * dScale;
            const double w = std::max(1.0, static_cast<double>(rect.nEnd - rect.note.nTick) * dScale);
            const int y = nPlotTop + (nHigh - rect.note.byKey) * nRow;
            int n = std::snprintf(ach, sizeof ach,
                                  "<rect class=\"note\" x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\" fill=\"%s\" "
                                  "data-channel=\"%d\" data-key=\"%d\" data-tick=\"%u\" data-ticks=\"%llu\"",
                                  x, y, w, nRow > 2 ? nRow - 1 : nRow, Colour(rect.note), rect.note.byChannel,
                                  rect.note.byKey, rect.note.nTick,
                                  static_cast<unsigned long long>(rect.nEnd - rect.note.nTick));
            out.write(ach, n);
            if (rect.note.bAudio) {
                out << " data-audio=\"1\"";
            }
            if (rect.nNotes > 1) {
                out << " data-notes=\"" << rect.nNotes << '"';
            }
            out << "/>\n";
        }
        if (panel.pNotes->empty()) {
            out << "<text x=\"" << kLeft + 12 << "\" y=\"" << nPlotTop + nPanelHeight / 2 << "\" fill=\"#888888\">"
                << Escaped(panel.strEmpty) << "</text>\n";
        }
        // Tick ruler under the panel.
        const int nRuler = nPlotTop + nPanelHeight;
        out << "<g class=\"ruler\">";
        for (std::uint64_t t = 0; t <= nTotal; t += nStep) {
            const double x = kLeft + static_cast<double>(t) * dScale;
            std::snprintf(ach, sizeof ach,
                          "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#999999\"/>"
                          "<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\" font-size=\"10\">%llu</text>",
                          x, nRuler, x, nRuler + 4, x, nRuler + 15, static_cast<unsigned long long>(t));
            out << ach;
        }
        out << "</g>\n</g>\n";
        nTop += nPanelHeight + kPanelGap;
    }

    // Legend: one swatch per channel, with the source tracks that feed it.
    out << "<g class=\"legend\">\n";
    int i = 0;
    for (const auto& [channel, tracks] : mapChannels) {
        const int x = kLeft + (i % 6) * 190;
        const int y = nTop + 8 + (i / 6) * kLegendRow;
        CNote sample;
        sample.bAudio = channel.first;
        sample.byChannel = static_cast<std::uint8_t>(channel.second);
        std::string strLabel = (channel.first ? "audio channel " : "channel ") + std::to_string(channel.second);
        if (!tracks.empty()) {
            strLabel += tracks.size() == 1 ? " (track" : " (tracks";
            for (int t : tracks) {
                strLabel += ' ' + std::to_string(t);
            }
            strLabel += ')';
        }
        std::snprintf(ach, sizeof ach, "<rect x=\"%d\" y=\"%d\" width=\"12\" height=\"10\" fill=\"%s\"/>", x, y,
                      Colour(sample));
        out << ach << "<text x=\"" << x + 16 << "\" y=\"" << y + 9 << "\">" << Escaped(strLabel) << "</text>\n";
        ++i;
    }
    out << "</g>\n</svg>\n";
}

}  // namespace fileinfo
