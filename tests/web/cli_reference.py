"""What kestrel-cli gives for the same inputs: the reference for the page.

The page places every picked item at "/" + its relative path; kestrel-cli
runs on a copy of the same tree below a temporary folder ROOT, so its rows
carry ROOT in front of each path. Stripped of it, both must agree.
"""
import hashlib
import os
import subprocess
import zipfile


def Sha256(data):
    return hashlib.sha256(data).hexdigest()


class CCliRun:
    def __init__(self, vecRows, vecCounts, dictOutputs, nExit, vecDetails=()):
        self.rows = vecRows          # [(file name, result, "/relative/path")]
        self.details = list(vecDetails)  # each row's detail (why an NG row failed)
        self.counts = vecCounts      # the three count lines, tab included
        self.outputs = dictOutputs   # {"OUTPUT/sub/a.mmf": sha256}
        self.exit = nExit


def RunCli(strCli, strRoot, vecItems, vecExtra=()):
    """kestrel-cli on ROOT/item for each item (relative names), in ROOT."""
    strRoot = os.path.realpath(strRoot)
    vecArgs = [strCli, "--overwrite=all", *vecExtra] + [os.path.join(strRoot, s) for s in vecItems]
    proc = subprocess.run(vecArgs, cwd=strRoot, capture_output=True, timeout=300)
    vecLines = proc.stdout.decode("utf-8").split("\n")
    if vecLines and vecLines[-1] == "":
        vecLines.pop()
    if vecLines[-1:] != ["Finished the converting."] or len(vecLines) < 4:
        raise AssertionError("unexpected kestrel-cli output: %r %r" % (vecLines[-5:], proc.stderr))
    vecRows = []
    vecDetails = []
    for strLine in vecLines[:-4]:
        strName, strResult, strPath, strDetail = strLine.split("\t")
        vecDetails.append(strDetail)
        if not strPath.startswith(strRoot + "/"):
            raise AssertionError("kestrel-cli row outside %s: %r" % (strRoot, strLine))
        vecRows.append((strName, strResult, strPath[len(strRoot):]))
    return CCliRun(vecRows, vecLines[-4:-1], TreeHashes(strRoot, "OUTPUT"), proc.returncode, vecDetails)


def TreeHashes(strRoot, strFolder):
    """{"FOLDER/sub/a.mmf": sha256} of every file below ROOT/FOLDER."""
    dictHashes = {}
    strBase = os.path.join(strRoot, strFolder)
    for strDir, _vecDirs, vecFiles in os.walk(strBase):
        for strName in vecFiles:
            strPath = os.path.join(strDir, strName)
            with open(strPath, "rb") as f:
                dictHashes[os.path.relpath(strPath, strRoot)] = Sha256(f.read())
    return dictHashes


def ZipHashes(strZip):
    """{entry name: sha256} of the files in a zip, and the entries whose
    non-ASCII names lack the UTF-8 flag."""
    dictHashes = {}
    vecUnflagged = []
    with zipfile.ZipFile(strZip) as archive:
        for info in archive.infolist():
            if info.is_dir():
                continue
            if info.filename in dictHashes:
                raise AssertionError("entry twice in the zip: " + info.filename)
            if not info.filename.isascii() and not info.flag_bits & 0x800:
                vecUnflagged.append(info.filename)
            dictHashes[info.filename] = Sha256(archive.read(info))
    return dictHashes, vecUnflagged
