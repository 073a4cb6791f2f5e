// What a run works out about its entries before it starts: which entries
// have outputs that may touch (they must be converted in list order,
// whatever the number of jobs) and which outputs would land on an input of
// the run.
#pragma once

#include <string>
#include <vector>

#include "BatchState.h"

class IFileSystem;

struct EntryPlan {
    // The entry starts only once entries 0..nAfterEntry are done: the last
    // earlier entry whose output may touch this one's; -1 for none.
    int nAfterEntry = -1;
    bool bOutputIsAnInput = false;  // the output path is the input path of an entry of the run
};

// Two outputs touch when they are one file, or when one lies below the
// other (a file must be where the other needs a folder): then the first in
// the list decides what the second finds. Outputs are compared by the
// identity of their deepest existing folder (IFileSystem::FolderIdentity),
// so two spellings through a link are one output, and below that by
// IFileSystem::PathKey. Inputs are compared by PathKey alone. Looks at each
// output folder once; linear in the number of entries.
std::vector<EntryPlan> PlanEntries(IFileSystem& platform, const std::vector<FileItem>& vecItems);

// The output file of an input, worked out from the text (no folder created).
std::string OutputPathOf(const IFileSystem& platform, const std::string& strInputPath);
