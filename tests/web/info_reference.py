"""What kestrel-info shows of a file: the reference for the page's details
panel (its summary, its piano roll's notes and its check line)."""
import os
import subprocess
import tempfile
import xml.etree.ElementTree as ElementTree

SVG = "{http://www.w3.org/2000/svg}"
NOTE_ATTRIBUTES = ("channel", "key", "tick", "ticks", "audio", "notes")


def Summary(strInfo, strFile):
    """kestrel-info's summary of the file, as lines."""
    proc = subprocess.run([strInfo, strFile], capture_output=True, timeout=300)
    return proc.stdout.decode("utf-8").splitlines()


def RollNotes(strInfo, strFile):
    """The data attributes of every note of kestrel-info --roll, in order."""
    with tempfile.TemporaryDirectory(prefix="kestrel-web-roll-") as strTmp:
        strSvg = os.path.join(strTmp, "roll.svg")
        subprocess.run([strInfo, "--roll", strSvg, strFile], capture_output=True, timeout=300)
        root = ElementTree.parse(strSvg).getroot()
    return [[e.get("data-" + s) for s in NOTE_ATTRIBUTES]
            for e in root.iter(SVG + "rect") if e.get("class") == "note"]


def Check(strInfo, strFile):
    """kestrel-info --check's lines for the file."""
    proc = subprocess.run([strInfo, "--check", strFile], capture_output=True, timeout=300)
    return proc.stdout.decode("utf-8").splitlines()
