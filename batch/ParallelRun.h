// A batch run that converts several entries at once while reporting them
// exactly as RunBatch does: same notifications, rows and counts, in list order.
#pragma once

class IPlatform;
class IBatchObserver;

// Converts the entries of g_vecFileItems on nJobs threads (nJobs <= 1 is
// RunBatch itself) and reports each one in list order on the calling thread
// as soon as it and all entries before it are done. A stop request or a
// cancel at the overwrite question keeps further entries from starting; the
// entries already started are finished and reported. The overwrite question
// is answered by one thread at a time, so give a policy that does not depend
// on the order of questions (overwrite all, or skip) when nJobs > 1.
void RunBatchParallel(IPlatform& platform, IBatchObserver& observer, int nJobs);
