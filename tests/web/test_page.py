"""The page in headless Chromium against kestrel-cli on the same inputs.

Each case picks a tree through the page's file inputs, waits for the run to
finish and compares what the page shows and gives (rows, counts, the
finished message, OUTPUT.zip, a single output) with kestrel-cli run on a copy
of the same tree. The same cases run on the page served over HTTP and on the
single file kestrel.html opened from disk; after every case no request may
have left the page's own origin.

A row's details panel is compared with kestrel-info on the same file.

Environment (scripts/test-web.sh sets it): KESTREL_WEB_DIR (the built page),
KESTREL_CLI, KESTREL_INFO, KESTREL_MAKE_BATCH_TREE, KESTREL_MAKE_LONG_SONG, KESTREL_SAMPLES, KESTREL_SCREENSHOTS,
KESTREL_WEB_FILES (files of the generated tree, default 2000).
"""
import os
import pathlib
import shutil
import subprocess
import tempfile
import unittest
from urllib.parse import urlsplit

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

import cli_reference
import info_reference
import test_inputs
from page_driver import CPage
from static_server import CStaticServer

ROOT = pathlib.Path(__file__).resolve().parents[2]
WEB_DIR = os.environ.get("KESTREL_WEB_DIR", str(ROOT / "out/web"))
CLI = os.environ.get("KESTREL_CLI", str(ROOT / "build/ci/cli/kestrel-cli"))
MAKE_BATCH_TREE = os.environ.get("KESTREL_MAKE_BATCH_TREE", str(ROOT / "build/ci/bench/make_batch_tree"))
INFO = os.environ.get("KESTREL_INFO", str(ROOT / "build/ci/info/kestrel-info"))
MAKE_LONG_SONG = os.environ.get("KESTREL_MAKE_LONG_SONG", str(ROOT / "build/ci/tests/web/native/make_long_song"))
SAMPLES = os.environ.get("KESTREL_SAMPLES", str(ROOT / "samples"))
SCREENSHOTS = os.environ.get("KESTREL_SCREENSHOTS", str(ROOT / "out/web-screenshots"))
MANY_FILES = int(os.environ.get("KESTREL_WEB_FILES", "2000"))

FINISHED = "Finished the converting."
RESULT_TEXTS = {"OK: Convert success.", "NG: Convert cancel.", "NG: Input file is not VELA.",
                "NG: File open error.", "NG: Input file size is 0. ", "NG: Input file format is invalid.",
                "NG: Convert error.", "NG: Output file open error.", "NG: File write error."}
# The longest the page's own thread may go without running a timer while it
# converts many files. Generous, for a loaded two-core machine; a page that
# converts on its own thread stalls for seconds.
MAX_STALL_MS = 1000


def CountTexts(vecRows, nTotal):
    nConverted = sum(1 for row in vecRows if row[1].startswith("OK:"))
    return ["Total files :\t%d / %d" % (len(vecRows), nTotal), "Convert files :\t%d" % nConverted,
            "Error files :\t%d" % (len(vecRows) - nConverted)]


def CheckLine(reference):
    """The status line on the structural check of the run's outputs."""
    nOutputs = sum(1 for row in reference.rows if row[1].startswith("OK:"))
    return "1 output checked: passes" if nOutputs == 1 else "%d outputs checked: all pass" % nOutputs


def FirstDifference(vecGot, vecWanted):
    """Where two long lists part, in a few lines (unittest's own diff of
    thousands of rows takes minutes)."""
    for i, (got, wanted) in enumerate(zip(vecGot, vecWanted)):
        if got != wanted:
            return "row %d: page %r, kestrel-cli %r" % (i, got, wanted)
    if len(vecGot) != len(vecWanted):
        return "the page has %d rows, kestrel-cli %d" % (len(vecGot), len(vecWanted))
    return None


class CPageCases:
    """The cases, for a page at Url(); mixed into one class per way of loading."""
    bScreenshots = False

    @classmethod
    def setUpClass(cls):
        cls.m_page = CPage()
        cls.m_vecAllowed = []  # URL prefixes the page may load from

    @classmethod
    def tearDownClass(cls):
        cls.m_page.Quit()

    def setUp(self):
        self.m_strTmp = tempfile.mkdtemp(prefix="kestrel-web-")
        self.m_page.ClearDownloads()
        self.m_page.TakeRequests()
        self.m_page.TakeEscaped()
        self.m_page.TakeConsoleErrors()
        self.m_page.Load(self.Url())

    def tearDown(self):
        vecForeign = [u for u in self.m_page.TakeRequests() if not self.IsOwnOrigin(u)]
        vecEscaped = self.m_page.TakeEscaped()
        vecErrors = self.m_page.TakeConsoleErrors()
        shutil.rmtree(self.m_strTmp, ignore_errors=True)
        self.assertEqual(vecForeign, [], "requests of the page beyond its own origin")
        self.assertEqual(vecEscaped, [], "requests that would have left the machine")
        self.assertEqual(vecErrors, [], "errors in the page's console")

    def IsOwnOrigin(self, strUrl):
        return strUrl.startswith(("data:", "blob:")) or any(strUrl.startswith(p) for p in self.m_vecAllowed)

    def Tmp(self, *parts):
        return os.path.join(self.m_strTmp, *parts)

    # What every finished run must show.
    def AssertFinishedLike(self, reference):
        page = self.m_page
        page.WaitFinished()
        self.AssertSameRows(page.Rows(), reference.rows)
        self.assertEqual(page.Counts(), reference.counts)
        self.assertEqual(page.VisibleText("finished").strip(), FINISHED)

    def AssertSameRows(self, vecGot, vecWanted):
        strDifference = FirstDifference(vecGot, vecWanted)
        if strDifference:
            self.fail(strDifference)

    def AssertZipLike(self, dictOutputs):
        page = self.m_page
        page.Click("download")
        dictZip, vecUnflagged = cli_reference.ZipHashes(page.WaitDownload("OUTPUT.zip"))
        vecMissing = sorted(set(dictOutputs) - set(dictZip))
        vecExtra = sorted(set(dictZip) - set(dictOutputs))
        self.assertEqual((vecMissing[:5], vecExtra[:5]), ([], []), "entries of OUTPUT.zip missing, extra")
        vecDiffering = sorted(s for s in dictOutputs if dictZip[s] != dictOutputs[s])
        self.assertEqual(vecDiffering[:5], [], "OUTPUT.zip entries whose bytes differ from kestrel-cli's"
                         " (%d of %d)" % (len(vecDiffering), len(dictOutputs)))
        self.assertEqual(vecUnflagged, [], "names beyond ASCII without the UTF-8 flag")

    def AssertRowDownloadLike(self, reference, nRow):
        """The row's own download gives that one output."""
        page = self.m_page
        strName, _strResult, strPath = reference.rows[nRow]
        before = set(page.DownloadedFiles())
        row = page.driver.find_elements("css selector", "#results tbody tr")[nRow]
        row.find_element("css selector", "td.actions .row-download").click()
        def arrived():
            setNew = set(page.DownloadedFiles()) - before
            return setNew and not any(s.endswith(".crdownload") for s in setNew)
        page.WaitFor(arrived, 30, "the row's download")
        vecNew = sorted(set(page.DownloadedFiles()) - before)
        self.assertEqual(vecNew, [strName])
        with open(page.WaitDownload(strName), "rb") as f:
            self.assertEqual(cli_reference.Sha256(f.read()), reference.outputs["OUTPUT" + strPath])

    def Screenshot(self, strName):
        if self.bScreenshots:
            self.m_page.Screenshot(os.path.join(SCREENSHOTS, strName + ".png"))

    # The cases.
    def test_samples_picked_as_a_folder(self):
        test_inputs.CopySamples(SAMPLES, self.Tmp("samples"))
        reference = cli_reference.RunCli(CLI, self.m_strTmp, ["samples"])
        self.assertEqual(self.m_page.State(), "idle")
        self.Screenshot("before")
        self.m_page.PickFolder(self.Tmp("samples"))
        self.AssertFinishedLike(reference)
        self.assertEqual(self.m_page.State(), "finished")
        self.Screenshot("after")
        self.AssertZipLike(reference.outputs)
        nLarge = next(i for i, row in enumerate(reference.rows) if row[0] == "large_format1.mmf")
        self.AssertRowDownloadLike(reference, nLarge)

    def test_samples_picked_as_files(self):
        vecFiles = test_inputs.CopyFlat(test_inputs.SampleFiles(SAMPLES), self.Tmp("picked"))
        reference = cli_reference.RunCli(CLI, self.Tmp("picked"), [os.path.basename(s) for s in vecFiles])
        self.m_page.PickFiles(vecFiles)
        self.AssertFinishedLike(reference)
        self.AssertZipLike(reference.outputs)

    def test_a_file_and_a_folder_dropped_together(self):
        test_inputs.CopySamples(SAMPLES, self.Tmp("samples"))
        shutil.copyfile(os.path.join(SAMPLES, "format0_tempo.mmf"), self.Tmp("extra.mmf"))
        reference = cli_reference.RunCli(CLI, self.m_strTmp, ["extra.mmf", "samples"])
        self.m_page.Drop([self.Tmp("extra.mmf"), self.Tmp("samples")])
        self.AssertFinishedLike(reference)
        self.AssertZipLike(reference.outputs)

    def test_damaged_empty_and_other_files_give_their_ng_rows(self):
        test_inputs.MakeMixedTree(SAMPLES, self.Tmp("mixed"))
        reference = cli_reference.RunCli(CLI, self.m_strTmp, ["mixed"])
        self.assertIn(("damaged.mmf", "NG: Input file format is invalid.", "/mixed/damaged.mmf"), reference.rows)
        self.assertIn(("notes.txt", "NG: Input file is not VELA.", "/mixed/notes.txt"), reference.rows)
        self.m_page.PickFolder(self.Tmp("mixed"))
        self.AssertFinishedLike(reference)
        self.AssertZipLike(reference.outputs)
        self.assertIn("OUTPUT/mixed/sub/" + test_inputs.WIDE_NAME, reference.outputs)

    def test_many_files_keep_the_page_responsive_and_a_pick_or_drop_while_running_is_refused(self):
        test_inputs.CopySamples(SAMPLES, self.Tmp("samples"))
        page = self.m_page
        # The second pick comes at the speed of the driver; a page that
        # finished before it landed is given a larger tree.
        nFiles = MANY_FILES
        for nAttempt in range(3):
            strTree = self.Tmp("many%d" % nFiles)
            test_inputs.MakeBatchTree(MAKE_BATCH_TREE, strTree, nFiles)
            if nAttempt:
                page.Load(self.Url())
                page.ClearDownloads()
            page.StartHeartbeat()
            page.PickFolder(strTree)
            page.WaitFor(lambda: page.State() in ("running", "finished"), 60, "the run to start")
            page.PickFiles([self.Tmp("samples", "format0_plain.mmf")])
            page.Drop([self.Tmp("samples", "format0_tempo.mmf"), self.Tmp("samples", "album")])
            page.WaitFor(lambda: page.MessagesShown() or page.State() == "finished", 30, "the refusal")
            if self.bScreenshots:
                page.WaitFor(lambda: page.RowCount() > 0 or page.State() == "finished", 60, "the first rows")
                self.Screenshot("during")
            page.WaitFinished()
            vecStates = page.States()
            # A run that started after the first one finished was a legal one.
            if "running" not in vecStates[vecStates.index("finished"):]:
                break
            print("[all %d converted before the second pick or the drop: again]" % nFiles, end=" ", flush=True)
            nFiles *= 2
        self.assertTrue(page.MessagesShown(), "no message refused the pick and the drop while running")
        self.assertEqual(page.States(), ["running", "finished"], "one run, nothing started after it")
        # The second pick and the drop added nothing: the rows are the first run's.
        reference = cli_reference.RunCli(CLI, self.m_strTmp, [os.path.basename(strTree)])
        self.AssertFinishedLike(reference)
        fMaxGap, nTicks = page.Heartbeat()
        print("[longest gap of the page's timer: %.0f ms over %d ticks]" % (fMaxGap, nTicks), end=" ", flush=True)
        timings = page.Timings()
        print("[check of every output: %.0f ms, %.1f %% of the conversion's %.0f ms]"
              % (timings["checkMs"], 100.0 * timings["checkMs"] / max(timings["convertMs"], 1.0),
                 timings["convertMs"]), end=" ", flush=True)
        self.assertEqual(page.VisibleText("check"), CheckLine(reference))
        self.assertGreater(nTicks, 0)
        self.assertLess(fMaxGap, MAX_STALL_MS, "the page's thread stalled for %.0f ms" % fMaxGap)
        self.AssertZipLike(reference.outputs)

    def StoppedRun(self, nFiles):
        """Picks a generated tree and presses Stop once it runs."""
        strTree = self.Tmp("many%d" % nFiles)
        test_inputs.MakeBatchTree(MAKE_BATCH_TREE, strTree, nFiles)
        page = self.m_page
        page.Load(self.Url())
        page.ClearDownloads()
        page.PickFolder(strTree)
        page.WaitFor(lambda: page.State() in ("running", "finished"), 60, "the run to start")
        page.Click("stop")
        page.WaitFinished()
        return os.path.basename(strTree), page.Rows()

    def test_stop_ends_the_run_between_files(self):
        # Stop comes at the speed of the driver; a page that finished before
        # it landed is given a larger tree.
        nFiles = MANY_FILES
        for _nAttempt in range(3):
            strTree, vecRows = self.StoppedRun(nFiles)
            if len(vecRows) < nFiles:
                break
            print("[all %d converted before Stop: again]" % nFiles, end=" ", flush=True)
            nFiles *= 2
        page = self.m_page
        print("[stopped after %d of %d files]" % (len(vecRows), nFiles), end=" ", flush=True)
        self.assertLess(len(vecRows), nFiles, "the run was not stopped")
        reference = cli_reference.RunCli(CLI, self.m_strTmp, [strTree])
        # Every row is whole, and the rows are the first ones of a full run.
        for strName, strResult, strPath in vecRows:
            self.assertIn(strResult, RESULT_TEXTS)
            self.assertEqual(strName, strPath.rsplit("/", 1)[-1])
        self.AssertSameRows(vecRows, reference.rows[:len(vecRows)])
        self.assertEqual(page.Counts(), CountTexts(vecRows, nFiles))
        self.assertEqual(page.VisibleText("finished").strip(), FINISHED)
        self.assertEqual(page.State(), "finished")
        self.AssertZipLike({"OUTPUT" + row[2]: reference.outputs["OUTPUT" + row[2]]
                            for row in vecRows if row[1].startswith("OK:")})

    def test_both_pickers_are_reached_with_the_tab_key(self):
        actions = ActionChains(self.m_page.driver)
        setReached = set()
        for _ in range(30):
            actions.send_keys(Keys.TAB).perform()
            setReached.add(self.m_page.driver.execute_script("return document.activeElement.id"))
        self.assertLessEqual({"files", "folder"}, setReached)

    def AssertDetailsLikeInfo(self, details, strFile, strPagePath):
        """The panel of a converted row shows what kestrel-info shows of the
        file: its summary (the path it was named by aside), the notes of its
        roll, and the check of the output the run wrote."""
        vecSummary = details["summary"].splitlines()
        self.assertEqual(vecSummary[:1], [strPagePath])
        self.assertEqual(vecSummary[1:], info_reference.Summary(INFO, strFile)[1:])
        vecNotes = info_reference.RollNotes(INFO, strFile)
        self.assertGreater(len(vecNotes), 0)
        self.assertEqual(len(details["notes"]), len(vecNotes), "notes of the roll")
        self.assertEqual(details["notes"], vecNotes)
        self.assertEqual(details["check"], "OK: /OUTPUT" + strPagePath)
        self.assertEqual(details["reason"], "")

    def test_a_row_opens_the_details_of_its_file(self):
        test_inputs.CopySamples(SAMPLES, self.Tmp("samples"))
        reference = cli_reference.RunCli(CLI, self.m_strTmp, ["samples"])
        page = self.m_page
        page.PickFolder(self.Tmp("samples"))
        self.AssertFinishedLike(reference)
        self.assertEqual(page.VisibleText("check"), CheckLine(reference))
        for strName in ("large_format1.mmf", "format1_audio.mmf"):
            nRow = next(i for i, row in enumerate(reference.rows) if row[0] == strName)
            strPath = reference.rows[nRow][2]
            page.RowElement(nRow).find_element("css selector", "td").click()
            details = page.WaitDetails()
            self.AssertDetailsLikeInfo(details, self.Tmp(strPath.lstrip("/")), strPath)
            self.assertEqual(info_reference.Check(INFO, self.Tmp("OUTPUT", strPath.lstrip("/"))),
                             ["OK: " + self.Tmp("OUTPUT", strPath.lstrip("/"))], "kestrel-info on the same output")
        self.Screenshot("details")

    def test_an_ng_row_shows_its_reason_and_rows_are_reached_by_keyboard(self):
        test_inputs.MakeMixedTree(SAMPLES, self.Tmp("mixed"))
        reference = cli_reference.RunCli(CLI, self.m_strTmp, ["mixed"])
        page = self.m_page
        page.PickFolder(self.Tmp("mixed"))
        self.AssertFinishedLike(reference)
        self.assertEqual(page.VisibleText("check"), CheckLine(reference))
        # The Tab key reaches the first row; the arrows walk the list.
        actions = ActionChains(page.driver)
        for _ in range(40):
            actions.send_keys(Keys.TAB).perform()
            if page.ActiveRow() is not None:
                break
        self.assertEqual(page.ActiveRow(), 0, "the Tab key did not reach the first row")
        nDamaged = reference.rows.index(("damaged.mmf", "NG: Input file format is invalid.", "/mixed/damaged.mmf"))
        for _ in range(nDamaged):
            actions.send_keys(Keys.ARROW_DOWN).perform()
        self.assertEqual(page.ActiveRow(), nDamaged)
        actions.send_keys(Keys.ENTER).perform()
        details = page.WaitDetails()
        self.assertTrue(details["reasonShown"], "the reason is not in view")
        self.assertEqual(details["reason"], "NG: Input file format is invalid. " + reference.details[nDamaged])
        self.assertIn("  valid       no: ", details["summary"])
        self.assertEqual(details["summary"].splitlines()[1:],
                         info_reference.Summary(INFO, self.Tmp("mixed", "damaged.mmf"))[1:])
        self.assertEqual((details["check"], details["notes"]), ("", []), "no check or roll without an output")
        # Enter on another row opens that one.
        nSong = reference.rows.index(("song.MMF", "OK: Convert success.", "/mixed/song.MMF"))
        page.RowElement(nSong).send_keys(Keys.ENTER)
        details = page.WaitDetails()
        self.assertEqual(details["check"], "OK: /OUTPUT/mixed/song.MMF")
        self.assertFalse(details["reasonShown"])

    def test_the_details_of_a_long_song_keep_the_page_responsive(self):
        os.makedirs(self.Tmp("long"))
        strFile = self.Tmp("long", "long.mmf")
        # 160,000 events, of them about 104,000 notes.
        subprocess.run([MAKE_LONG_SONG, strFile, "160000"], check=True, capture_output=True)
        page = self.m_page
        page.PickFiles([strFile])
        page.WaitFinished()
        self.assertEqual(page.Rows(), [("long.mmf", "OK: Convert success.", "/long.mmf")])
        page.StartHeartbeat()
        page.StartLongTasks()
        page.RowElement(0).find_element("css selector", "td").click()
        details = page.WaitDetails(300)
        fMaxGap, nTicks = page.Heartbeat()
        fLongest = page.LongestTask()
        print("[%d rectangles drawn; longest task of the page's thread: %.0f ms; longest gap of its timer:"
              " %.0f ms over %d ticks]" % (len(details["notes"]), fLongest, fMaxGap, nTicks), end=" ", flush=True)
        nNotes = int(details["summary"].split("; note ", 1)[1].split(";", 1)[0])
        self.assertGreaterEqual(nNotes, 100000)
        self.AssertDetailsLikeInfo(details, strFile, "/long.mmf")
        self.assertIn("source notes, as the converter keys them (", page.Text("details-roll"))
        self.assertLessEqual(len(details["notes"]), 2 * 10000, "the roll's bound on rectangles")
        self.assertLess(fLongest, MAX_STALL_MS, "a task of the page's thread took %.0f ms" % fLongest)
        self.assertLess(fMaxGap, MAX_STALL_MS, "the page's thread stalled for %.0f ms" % fMaxGap)

    def test_a_pick_of_100_mb_gives_every_row(self):
        test_inputs.MakeBigTree(SAMPLES, self.Tmp("big"))
        reference = cli_reference.RunCli(CLI, self.m_strTmp, ["big"])
        self.m_page.PickFolder(self.Tmp("big"))
        self.AssertFinishedLike(reference)
        self.AssertZipLike(reference.outputs)


class ServedPageTest(CPageCases, unittest.TestCase):
    """index.html from a local HTTP server."""
    bScreenshots = True

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.m_server = CStaticServer(WEB_DIR).Start()
        cls.m_vecAllowed = [cls.m_server.origin + "/"]

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        cls.m_server.Stop()

    def Url(self):
        return self.m_server.Url("index.html")

    def test_page_loads_only_its_own_files(self):
        vecUrls = self.m_page.TakeRequests()
        self.assertEqual([u for u in vecUrls if not self.IsOwnOrigin(u)], [])
        vecPaths = [urlsplit(u).path for u in vecUrls if u.startswith("http")]
        self.assertIn("/index.html", vecPaths)
        for strPath in vecPaths:
            if strPath == "/favicon.ico":  # asked for by the browser itself
                continue
            self.assertTrue(os.path.isfile(os.path.join(WEB_DIR, strPath.lstrip("/"))), strPath)


class HarnessTest(unittest.TestCase):
    """The measurements of the page cases see what they are meant to see, so
    a page that calls out from its worker or stalls its thread cannot pass."""

    @staticmethod
    def LoadProbe(page, strTmp, strScript):
        strPage = os.path.join(strTmp, "probe.html")
        with open(strPage, "w") as f:
            f.write("<!doctype html><body data-state=idle><input id=files type=file multiple>"
                    "<input id=folder type=file webkitdirectory><p id=message></p><script>%s</script>" % strScript)
        page.Load(pathlib.Path(strPage).as_uri())

    def test_a_request_from_a_worker_is_seen(self):
        page = CPage()
        try:
            with tempfile.TemporaryDirectory(prefix="kestrel-web-probe-") as strTmp:
                self.LoadProbe(page, strTmp, "new Worker(URL.createObjectURL(new Blob("
                               "[\"fetch('http://192.0.2.1/from-a-worker').catch(() => {})\"])))")
                vecSeen = []
                page.WaitFor(lambda: vecSeen.extend(page.TakeEscaped()) or vecSeen, 30,
                             "the worker's request at the proxy")
                self.assertEqual(vecSeen, ["GET http://192.0.2.1/from-a-worker"])
        finally:
            page.Quit()

    def test_a_stalled_page_thread_is_measured(self):
        page = CPage()
        try:
            with tempfile.TemporaryDirectory(prefix="kestrel-web-probe-") as strTmp:
                self.LoadProbe(page, strTmp, "document.getElementById('files').onchange = () => {"
                               " document.body.dataset.state = 'running';"
                               " setTimeout(() => { const end = performance.now() + 1500;"
                               " while (performance.now() < end) {} document.body.dataset.state = 'finished'; }, 100); }")
                page.StartHeartbeat()
                page.PickFiles([os.path.join(SAMPLES, "format0_plain.mmf")])
                page.WaitFinished(60)
                fMaxGap, nTicks = page.Heartbeat()
                self.assertGreaterEqual(fMaxGap, 1400)
                self.assertGreater(nTicks, 0)
        finally:
            page.Quit()


class SingleFilePageTest(CPageCases, unittest.TestCase):
    """kestrel.html opened from disk."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.m_strUrl = pathlib.Path(WEB_DIR, "kestrel.html").resolve().as_uri()
        # The single file loads nothing but itself.
        cls.m_vecAllowed = [cls.m_strUrl]

    def Url(self):
        return self.m_strUrl

    def test_a_file_and_a_folder_dropped_together(self):
        # From file:// Chromium reads dropped files but no dropped folder
        # (its entry API fails on that origin): the files convert, a folder
        # gets a message.
        shutil.copyfile(os.path.join(SAMPLES, "format0_tempo.mmf"), self.Tmp("extra.mmf"))
        shutil.copyfile(os.path.join(SAMPLES, "format1_registers.mmf"), self.Tmp("other.mmf"))
        reference = cli_reference.RunCli(CLI, self.m_strTmp, ["extra.mmf", "other.mmf"])
        self.m_page.Drop([self.Tmp("extra.mmf"), self.Tmp("other.mmf")])
        self.AssertFinishedLike(reference)
        self.AssertZipLike(reference.outputs)
        test_inputs.CopySamples(SAMPLES, self.Tmp("samples"))
        self.m_page.Load(self.Url())
        self.m_page.Drop([self.Tmp("samples")])
        self.m_page.WaitFor(self.m_page.MessagesShown, 30, "a message on the dropped folder")
        self.assertEqual(self.m_page.RowCount(), 0)


if __name__ == "__main__":
    unittest.main()
