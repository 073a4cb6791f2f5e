"""The page against kestrel-cli on one generated tree of small files, in
the same run: kestrel-cli natively (in memory), the page in headless
Chromium (served from 127.0.0.1, a fresh load per run), median of N runs
each, printed side by side with their ratio.

The page's time is its own window.kestrelTimings.totalMs (from the pick's
change event to the state "finished", the zip included), with the time
measured by the test from the same event to the same state beside it.
Usage: bench_page.py WEB_DIR KESTREL_CLI MAKE_BATCH_TREE [FILES] [RUNS] [WORK_DIR]
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

from page_driver import CPage
from static_server import CStaticServer

TARGET_RATIO = 3.0


def Median(vecValues):
    return statistics.median(vecValues) if vecValues else None


def TimeCli(strCli, strTree, strOut):
    shutil.rmtree(strOut, ignore_errors=True)
    fStart = time.perf_counter()
    proc = subprocess.run([strCli, "--quiet", "--overwrite=all", "--output", strOut, strTree])
    fMs = (time.perf_counter() - fStart) * 1000
    if proc.returncode != 0:
        raise SystemExit("kestrel-cli failed with status %d" % proc.returncode)
    return fMs


def TimePage(page, strUrl, strTree, nFiles):
    page.Load(strUrl)
    fSent = time.time() * 1000
    page.PickFolder(strTree)
    page.WaitFinished(nTimeout=600)
    nRows = page.RowCount()
    if nRows != nFiles or page.Text("converted") != "Convert files :\t%d" % nFiles:
        raise SystemExit("the page converted %r of %d files (%d rows)" % (page.Text("converted"), nFiles, nRows))
    timings = page.Timings() or {}
    fPicked = page.driver.execute_script("return performance.timeOrigin + window.__kestrelClock.picked")
    return {"totalMs": timings.get("totalMs"), "measuredMs": page.PickToFinishedMs(),
            "listingMs": fPicked - fSent, **{k: v for k, v in timings.items() if k != "totalMs"}}


def main(vecArgs):
    strWeb, strCli, strMakeTree = vecArgs[:3]
    nFiles = int(vecArgs[3]) if len(vecArgs) > 3 else 2000
    nRuns = int(vecArgs[4]) if len(vecArgs) > 4 else 5
    strWork = vecArgs[5] if len(vecArgs) > 5 else "/dev/shm/kestrel-bench-web.%d" % os.getpid()
    shutil.rmtree(strWork, ignore_errors=True)
    os.makedirs(strWork)
    strTree = os.path.join(strWork, "in")
    strOut = os.path.join(strWork, "out-cli")
    subprocess.run([strMakeTree, strTree, str(nFiles)], check=True)
    server = CStaticServer(strWeb).Start()
    page = CPage()
    try:
        strUrl = server.Url("index.html")
        # One of each first: disk caches, the browser's compiled module.
        TimeCli(strCli, strTree, strOut)
        TimePage(page, strUrl, strTree, nFiles)
        vecCli, vecPage = [], []
        for nRun in range(nRuns):
            vecCli.append(TimeCli(strCli, strTree, strOut))
            vecPage.append(TimePage(page, strUrl, strTree, nFiles))
            run = vecPage[-1]
            print("run %d: kestrel-cli %7.1f ms   page %7.1f ms (measured %7.1f)  %s" % (
                nRun + 1, vecCli[-1], run["totalMs"] or float("nan"), run["measuredMs"] or float("nan"),
                "  ".join("%s %.0f" % (k, v) for k, v in sorted(run.items())
                          if k not in ("totalMs", "measuredMs") and isinstance(v, (int, float)))), flush=True)
    finally:
        page.Quit()
        server.Stop()
        shutil.rmtree(strWork, ignore_errors=True)

    fCli = Median(vecCli)
    fPage = Median([r["totalMs"] for r in vecPage if r["totalMs"] is not None]) or \
        Median([r["measuredMs"] for r in vecPage])
    print()
    print("median of %d runs, %d small files (kestrel-cli in %s)" % (nRuns, nFiles, os.path.dirname(strWork)))
    print("  %-50s %8.1f ms" % ("kestrel-cli (native, one process)", fCli))
    print("  %-50s %8.1f ms" % ("page, pick to finished (kestrelTimings.totalMs)", fPage))
    print("  %-50s %8.1f ms" % ("page, pick to finished (measured by the test)",
                                 Median([r["measuredMs"] for r in vecPage])))
    vecKeys = sorted({k for r in vecPage for k, v in r.items()
                      if k not in ("totalMs", "measuredMs", "listingMs") and isinstance(v, (int, float))})
    for strKey in vecKeys:
        print("    %-48s %8.1f ms" % ("of which " + strKey, Median([r[strKey] for r in vecPage if strKey in r])))
    print("  %-50s %8.1f ms" % ("(before it: Chromium lists the picked folder)",
                                 Median([r["listingMs"] for r in vecPage])))
    fRatio = fPage / fCli
    print("ratio page / kestrel-cli: %.2f  (target: at most %.0f; %s)" % (
        fRatio, TARGET_RATIO, "met" if fRatio <= TARGET_RATIO else "missed"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
