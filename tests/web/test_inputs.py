"""Input trees for the browser tests, all made here: copies of the bundled
samples, a damaged sample, an empty file, a file that is not VELA, a name
beyond ASCII, and the generated tree of small files (make_batch_tree)."""
import os
import shutil
import subprocess

# A name beyond ASCII: the zip must carry it with the UTF-8 flag.
WIDE_NAME = "Mélodie 曲.mmf"


def CopySamples(strSamples, strDest):
    """ROOT/samples: the bundled samples as they are, README.md included
    (an OUTPUT folder left there by a run of the samples aside)."""
    shutil.copytree(strSamples, strDest, ignore=lambda strDir, _names: ["OUTPUT"] if strDir == strSamples else [])
    return strDest


def SampleFiles(strSamples):
    """Every file of the samples tree, in a stable order (sub folders last)."""
    vecFiles = []
    for strDir, vecDirs, vecNames in os.walk(strSamples):
        vecDirs[:] = sorted(d for d in vecDirs if not (strDir == strSamples and d == "OUTPUT"))
        vecFiles += [os.path.join(strDir, s) for s in sorted(vecNames)]
    return vecFiles


def CopyFlat(vecFiles, strDest):
    """The files side by side in one folder, as one pick of single files."""
    os.makedirs(strDest)
    vecCopies = []
    for strFile in vecFiles:
        strCopy = os.path.join(strDest, os.path.basename(strFile))
        shutil.copyfile(strFile, strCopy)
        vecCopies.append(strCopy)
    return vecCopies


def Damaged(data):
    """The same file with the low byte of its closing CRC flipped."""
    return data[:-1] + bytes([data[-1] ^ 0x5A])


def MakeMixedTree(strSamples, strDest):
    """A folder with one file for each kind of result the page must show as
    kestrel-cli does, and a sub folder holding a name beyond ASCII."""
    with open(os.path.join(strSamples, "format0_tempo.mmf"), "rb") as f:
        song = f.read()
    vecFiles = {
        "damaged.mmf": Damaged(song),
        "empty.mmf": b"",
        "notes.txt": b"not a song\n",
        "short.mmf": song[:10],
        "song.MMF": song,
        "sub/" + WIDE_NAME: song,
        "sub/deeper/plain.mmf": song,
    }
    for strName, data in vecFiles.items():
        strPath = os.path.join(strDest, strName)
        os.makedirs(os.path.dirname(strPath), exist_ok=True)
        with open(strPath, "wb") as f:
            f.write(data)
    return strDest


def MakeBatchTree(strTool, strDest, nFiles):
    subprocess.run([strTool, strDest, str(nFiles)], check=True, capture_output=True)
    return strDest


def MakeBigTree(strSamples, strDest, nFiles=20, nBytes=5 * 1024 * 1024):
    """About 100 MB: large files that are not valid VELA (a real head, then
    filler), with a valid sample among them, so the page must read them all
    and still give every row."""
    os.makedirs(strDest)
    with open(os.path.join(strSamples, "format1_registers.mmf"), "rb") as f:
        song = f.read()
    filler = bytes(range(256)) * (nBytes // 256)
    for i in range(nFiles):
        with open(os.path.join(strDest, "big%02d.mmf" % i), "wb") as f:
            f.write(song[:16] + filler)
    shutil.copyfile(os.path.join(strSamples, "format1_registers.mmf"), os.path.join(strDest, "zz_valid.mmf"))
    return strDest
