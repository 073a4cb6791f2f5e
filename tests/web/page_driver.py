"""Drives the page in Debian's headless Chromium through its chromedriver.

One CPage per browser: it loads the page (from a server or from file://),
picks files and folders through the two file inputs, reads the rows, the
counts and the state, downloads into its own folder, and collects every
network request the page and its worker made (Chrome's performance log).
"""
import json
import os
import shutil
import tempfile
import time
from urllib.parse import urlsplit

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

from refusing_proxy import CRefusingProxy

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"

# Where Chromium itself calls home (component updates, sign-in, network
# time) whatever the page does.
BROWSER_SERVICE_HOSTS = {"update.googleapis.com", "accounts.google.com", "clients2.google.com",
                         "clientservices.googleapis.com", "redirector.gvt1.com", "edgedl.me.gvt1.com"}

# The first three cells of every body row, as text; a fourth cell holds the
# row's actions and is not part of the list.
READ_ROWS_JS = """
return Array.from(document.querySelectorAll('#results tbody tr')).map(
    tr => Array.from(tr.cells).slice(0, 3).map(td => td.textContent).concat([tr.cells.length]));
"""

# A timer on the page's own thread: the longest gap between its ticks after
# the pick shows how long the page was kept from handling input. (Before the
# input's change event, Chromium itself is busy listing a picked folder.)
HEARTBEAT_JS = """
const beat = window.__kestrelBeat = {last: performance.now(), maxGap: 0, ticks: 0};
window.__kestrelBeatTimer = setInterval(() => {
  const now = performance.now(), picked = window.__kestrelClock.picked;
  if (picked !== null) {
    beat.maxGap = Math.max(beat.maxGap, now - Math.max(beat.last, picked));
    beat.ticks++;
  }
  beat.last = now;
}, 20);
"""

# The time from the pick (the input's change event, seen before the page's
# own handler) to the state "finished", measured in the page.
PICK_CLOCK_JS = """
const clock = window.__kestrelClock = {picked: null, finished: null, states: []};
for (const id of ['files', 'folder'])
  document.getElementById(id).addEventListener('change', () => { clock.picked ??= performance.now(); },
                                               {capture: true});
document.addEventListener('drop', () => { clock.picked ??= performance.now(); }, {capture: true});
new MutationObserver(() => {
  const state = document.body.dataset.state;
  if (state !== clock.states[clock.states.length - 1]) clock.states.push(state);
  if (state === 'finished' && clock.picked !== null && clock.finished === null)
    clock.finished = performance.now();
}).observe(document.body, {attributes: true, attributeFilter: ['data-state']});
// Every text #message showed, even if the page clears it later.
const messages = window.__kestrelMessages = [], message = document.getElementById('message');
if (message)
  new MutationObserver(() => { if (message.textContent.trim()) messages.push(message.textContent.trim()); })
    .observe(message, {childList: true, characterData: true, subtree: true});
"""


# The middle of the innermost element that reads the drop hint.
HINT_CENTRE_JS = """
const hint = 'Drop the VELA/Lark or VELA/Wren files here.';
const all = Array.from(document.body.querySelectorAll('*')).filter(e => e.textContent.includes(hint));
const e = all.find(e => !Array.from(e.children).some(c => c.textContent.includes(hint)));
if (!e) return null;
const r = e.getBoundingClientRect();
return [r.x + r.width / 2, r.y + r.height / 2];
"""


# The details panel once it shows its answer (null before): its texts, and
# the data attributes of every note of its roll, in document order.
READ_DETAILS_JS = """
const box = document.getElementById('details');
if (!box || box.hidden || box.dataset.state !== 'ready') return null;
const reason = document.getElementById('details-reason');
return {
  summary: document.getElementById('details-summary').textContent,
  check: document.getElementById('details-check').textContent,
  reason: reason.hidden ? '' : reason.textContent,
  reasonShown: !reason.hidden && reason.getBoundingClientRect().height > 0,
  notes: Array.from(box.querySelectorAll('svg rect.note')).map(
      r => ['channel', 'key', 'tick', 'ticks', 'audio', 'notes'].map(a => r.getAttribute('data-' + a))),
};
"""


class CPageError(AssertionError):
    pass


class CPage:
    def __init__(self, strDownloads=None, tupSize=(1280, 900)):
        self.m_bOwnDownloads = strDownloads is None
        self.m_strDownloads = strDownloads or tempfile.mkdtemp(prefix="kestrel-web-dl-")
        self.m_proxy = CRefusingProxy()
        options = Options()
        options.binary_location = CHROMIUM
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                    "--window-size=%d,%d" % tupSize,
                    # Nothing beside the page: no update checks, sign-in,
                    # network time, field trials or safe browsing lists.
                    "--disable-background-networking", "--disable-component-update",
                    "--disable-sync", "--disable-default-apps", "--no-pings", "--no-first-run",
                    "--disable-domain-reliability", "--disable-client-side-phishing-detection",
                    "--disable-component-extensions-with-background-pages", "--metrics-recording-only",
                    "--disable-features=Translate,OptimizationHints,OptimizationGuideModelDownloading,"
                    "OptimizationHintsFetching,NetworkTimeServiceQuerying,MediaRouter,DialMediaRouteProvider,"
                    "AutofillServerCommunication,CertificateTransparencyComponentUpdater,SafeBrowsing,"
                    "InterestFeedContentSuggestions,PrivacySandboxSettings4,AccountConsistency",
                    "--safebrowsing-disable-auto-update", "--allow-browser-signin=false",
                    # Every host but this machine's loopback goes to the proxy
                    # that refuses and notes it.
                    "--proxy-server=http://" + self.m_proxy.address):
            options.add_argument(arg)
        options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        options.add_experimental_option("perfLoggingPrefs", {"enableNetwork": True, "enablePage": False})
        options.add_experimental_option("prefs", {
            "download.default_directory": self.m_strDownloads,
            "download.prompt_for_download": False,
            "profile.default_content_setting_values.automatic_downloads": 1,
        })
        self.m_driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.m_driver.set_script_timeout(60)
        self.m_driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                      {"behavior": "allow", "downloadPath": self.m_strDownloads})

    def Quit(self):
        try:
            self.m_driver.quit()
        except Exception:
            pass
        self.m_proxy.Stop()
        if self.m_bOwnDownloads:
            shutil.rmtree(self.m_strDownloads, ignore_errors=True)

    @property
    def driver(self):
        return self.m_driver

    # Loading and state.
    def Load(self, strUrl, nTimeout=60):
        self.m_driver.get(strUrl)
        self.WaitFor(lambda: self.State() == "idle", nTimeout, "the page to become idle")
        self.m_driver.execute_script(PICK_CLOCK_JS)

    def State(self):
        return self.m_driver.execute_script("return document.body && document.body.dataset.state || ''")

    def WaitFor(self, predicate, nTimeout, strWhat, fPoll=0.05):
        fEnd = time.monotonic() + nTimeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > fEnd:
                raise CPageError("timed out after %ss waiting for %s (state %r, message %r)"
                                 % (nTimeout, strWhat, self.State(), self.Text("message")))
            time.sleep(fPoll)

    def WaitFinished(self, nTimeout=120):
        # A page that stays idle with a message has refused the input.
        self.WaitFor(lambda: self.State() == "finished" or (self.State() == "idle" and self.MessagesShown()),
                     nTimeout, "the state finished")
        if self.State() != "finished":
            raise CPageError("the page stayed idle: %r" % self.MessagesShown())

    # Picking: paths are absolute paths on this machine.
    def PickFiles(self, vecPaths):
        self.m_driver.find_element(By.ID, "files").send_keys("\n".join(vecPaths))

    def PickFolder(self, strFolder):
        self.m_driver.find_element(By.ID, "folder").send_keys(strFolder)

    def Drop(self, vecPaths):
        """Drops files and folders on the drop hint, as the system's file
        manager would (Chromium's own drag and drop, with folder entries)."""
        point = self.m_driver.execute_script(HINT_CENTRE_JS)
        if point is None:
            raise CPageError("no element shows the drop hint")
        data = {"items": [], "files": list(vecPaths), "dragOperationsMask": 1}
        for strType in ("dragEnter", "dragOver", "drop"):
            self.m_driver.execute_cdp_cmd("Input.dispatchDragEvent",
                                          {"type": strType, "x": point[0], "y": point[1], "data": data})

    def States(self):
        """The values data-state took since the page was loaded."""
        return self.m_driver.execute_script("return window.__kestrelClock.states")

    # Reading the page.
    def Rows(self):
        rows = self.m_driver.execute_script(READ_ROWS_JS)
        for row in rows:
            if row[3] < 3:
                raise CPageError("a row with %d cells: %r" % (row[3], row[:3]))
        return [tuple(row[:3]) for row in rows]

    def RowCount(self):
        return self.m_driver.execute_script("return document.querySelectorAll('#results tbody tr').length")

    def Text(self, strId):
        """The element's textContent (tabs kept), '' when it does not exist."""
        return self.m_driver.execute_script(
            "const e = document.getElementById(arguments[0]); return e ? e.textContent : ''", strId)

    def VisibleText(self, strId):
        return self.m_driver.find_element(By.ID, strId).text

    def Counts(self):
        return [self.Text("total"), self.Text("converted"), self.Text("errors")]

    def MessagesShown(self):
        return self.m_driver.execute_script("return window.__kestrelMessages || []")

    def RowElement(self, nRow):
        return self.m_driver.find_elements(By.CSS_SELECTOR, "#results tbody tr")[nRow]

    def WaitDetails(self, nTimeout=120):
        """The open details panel, once it shows its answer."""
        return self.WaitFor(lambda: self.m_driver.execute_script(READ_DETAILS_JS), nTimeout, "the details panel")

    def ActiveRow(self):
        """The index of the row that has the focus, or None."""
        return self.m_driver.execute_script(
            "const e = document.activeElement; return e && e.tagName === 'TR' && e.dataset.index !== undefined"
            " ? Number(e.dataset.index) : null")

    def Click(self, strId):
        self.m_driver.find_element(By.ID, strId).click()

    def Timings(self):
        return self.m_driver.execute_script("return window.kestrelTimings || null")

    def PickToFinishedMs(self):
        clock = self.m_driver.execute_script("return window.__kestrelClock")
        if not clock or clock["picked"] is None or clock["finished"] is None:
            return None
        return clock["finished"] - clock["picked"]

    def StartHeartbeat(self):
        self.m_driver.execute_script(HEARTBEAT_JS)

    def StartLongTasks(self):
        """Notes the tasks of the page's thread that the browser itself
        reports as long (50 ms or more)."""
        self.m_driver.execute_script(
            "window.__kestrelLongTasks = [];"
            "new PerformanceObserver((list) => window.__kestrelLongTasks.push("
            "  ...list.getEntries().map((e) => e.duration))).observe({type: 'longtask'});")

    def LongestTask(self):
        """The longest task noted since StartLongTasks (ms), 0 for none."""
        return self.m_driver.execute_script("return Math.max(0, ...window.__kestrelLongTasks)")

    def Heartbeat(self):
        """The longest gap (ms) between timer ticks so far, and the tick count."""
        beat = self.m_driver.execute_script(
            "const b = window.__kestrelBeat; clearInterval(window.__kestrelBeatTimer);"
            "return {maxGap: b.maxGap, ticks: b.ticks}")
        return beat["maxGap"], beat["ticks"]

    def Screenshot(self, strPath):
        os.makedirs(os.path.dirname(strPath), exist_ok=True)
        self.m_driver.save_screenshot(strPath)

    # Downloads.
    def DownloadedFiles(self):
        return sorted(os.listdir(self.m_strDownloads))

    def WaitDownload(self, strName, nTimeout=60):
        strPath = os.path.join(self.m_strDownloads, strName)

        def done():
            names = os.listdir(self.m_strDownloads)
            return os.path.exists(strPath) and not any(n.endswith(".crdownload") for n in names)
        self.WaitFor(done, nTimeout, "the download of " + strName, fPoll=0.1)
        # A finished download is renamed into place once complete; give the
        # size a moment to settle all the same.
        nSize = -1
        while nSize != os.path.getsize(strPath):
            nSize = os.path.getsize(strPath)
            time.sleep(0.1)
        return strPath

    def ClearDownloads(self):
        for strName in os.listdir(self.m_strDownloads):
            os.remove(os.path.join(self.m_strDownloads, strName))

    # Network: what the page asked for since the last call (Chrome's log of
    # the page's own requests).
    def TakeRequests(self):
        vecUrls = []
        for entry in self.m_driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message.get("method") == "Network.requestWillBeSent":
                vecUrls.append(message["params"]["request"]["url"])
        return vecUrls

    def TakeEscaped(self):
        """Requests since the last call that would have left the machine, from
        any part of the page, less the browser's own service calls (flags do
        not stop them all)."""
        vecSeen = []
        for strRequest in self.m_proxy.Take():
            strTarget = strRequest.split(" ", 1)[1]
            strHost = urlsplit(strTarget).hostname if "://" in strTarget else strTarget.rsplit(":", 1)[0]
            if strHost not in BROWSER_SERVICE_HOSTS:
                vecSeen.append(strRequest)
        return vecSeen

    def TakeConsoleErrors(self):
        """Errors in the page's console since the last call (the browser's
        own missing favicon aside)."""
        return [entry["message"] for entry in self.m_driver.get_log("browser")
                if entry.get("level") == "SEVERE" and "favicon.ico" not in entry["message"]]
