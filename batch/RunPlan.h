// What a run works out about its entries before it starts: which entries
// write the same output (they must be converted in list order, whatever the
// number of jobs) and which outputs would land on an input of the run.
#pragma once

#include <string>
#include <vector>

#include "BatchState.h"

class IPlatform;

struct EntryPlan {
    int nEarlierSameOutput = -1;    // the nearest earlier entry with the same output path; -1 for none
    bool bOutputIsAnInput = false;  // the output path is the input path of an entry of the run
};

// Compares paths by IPlatform::PathKey, so on Windows "C:\M\A.MMF" and
// "c:/m/a.mmf" are one path. Linear in the number of entries.
std::vector<EntryPlan> PlanEntries(const IPlatform& platform, const std::vector<FileItem>& vecItems);

// The output file of an input, worked out from the text (no folder created).
std::string OutputPathOf(const IPlatform& platform, const std::string& strInputPath);
