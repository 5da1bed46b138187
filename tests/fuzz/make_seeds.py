#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzzers into tests/fuzz/seeds/.

usage: tests/fuzz/make_seeds.py [LISTORA_ARCHIVE]
The saved-job seeds need the archive command (build/bin/listora-archive).
"""
import os
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
seeds = os.path.join(here, "seeds")

SOURCE = (
    "Attribute VB_Name = \"Module1\"\r\n"
    "Option Explicit\r\n"
    "' A comment run that the shadows box\r\n"
    "' over three lines\r\n"
    "' of text\r\n"
    "Public Function Total(ByVal n As Long) As Long\r\n"
    "    Dim i As Long\r\n"
    "    For i = 1 To n\r\n"
    "        If i Mod 2 = 0 Then\r\n"
    "            Total = Total + i ' ///CIRCLENOTES even\r\n"
    "        Else\r\n"
    "            Do While Total > 100\r\n"
    "                Total = Total - 1\r\n"
    "            Loop\r\n"
    "        End If\r\n"
    "    Next i\r\n"
    "    Select Case n\r\n"
    "    Case 1\r\n"
    "        While n > 0: n = n - 1: Wend\r\n"
    "    End Select\r\n"
    "    '*****\r\n"
    "    '///PAGE\r\n"
    "End Function\r\n"
)

SETTINGS = [
    "",
    "[pagelayout]\ntwopage=0\n[general]\nshadeboxemulation=1\nshadeboxheight=2\nsbl=0\n",
    "[margins]\nleft=-5000\nright=2147483647\n[general]\nsbl=-1000000\n",
    "[brackets]\nnestedindent=999\n",
    "[code]\nTName=Courier New\nTSize=2147483647\n[header]\nTSize=-3\n",
    "[GENERAL]\nNLIPicture2=1\ntabstospaces=0x10\n[SHADOWTHRESHOLD]\nFREQUENCY=0\n",
    "[reports]\ntoc=1\nfunctionindex=1\ntitlepage=1\n[project info]\nwatermark=DRAFT\n",
]

# Values no reader should take at face value: past 32 bits, signs, junk,
# hexadecimal past 32 bits, code pages that do not exist.
HOSTILE_SETTINGS = [
    "[margins]\nleft=99999999999\nright=+5\ntop=abc\nbottom=-0\n[general]\ncodepage=-1\n",
    "[general]\nsbl=0x1FFFFFFFF\ntabstospaces=$\ncodepage=77777\nLineNumbers=1e3\n"
    "[code]\nTSize= 12 \nTypeBold=yes\nTypeColor=$FFFFFFFF\n[pagelayout]\ntwopage=--1\n",
    "[general]\ncodepage=932\n[margins]\nleft=-2147483648\nleft=60\n[MARGINS]\nleft=70\n",
    "[a]\n[b]\n[c]\n" * 200 + "[margins]\nleft=77\n",
]


def utf16(text, order):
    bom = b"\xff\xfe" if order == "le" else b"\xfe\xff"
    return bom + text.encode("utf-16-" + order)


# Project seeds for fuzz_source_project: a code-page byte, a byte choosing
# the members' case and which are missing, then the project and two members.
PROJECT = (
    "Type=Exe\r\nReference=*\\G{00020430-0000}#2.0#0#stdole2.tlb#OLE\r\n"
    "Form=M.FRM\r\nModule=Module1; m.Bas\r\nModule=Gone; missing.bas\r\n"
    "Class=C; sub\\M.cls\r\nForm=C:\\WINDOWS\\x.frm\r\nProjWinSize=1,2,3,4\r\n"
)

INLINE = ["SECTION Totals", "TITLE The Totals", "PAGE", "SKIP 3", "FORMAT",
          "CIRCLENOTES a note", "RECTNOTES boxed", "HALF", "EYENOTES look", "LINE",
          "SECTION " + "x" * 300]


def write(folder, name, data):
    path = os.path.join(seeds, folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as f:
        f.write(data)


def main():
    for i, s in enumerate(SETTINGS):
        write("fuzz_format_settings", f"settings{i}", s.encode())
        write("fuzz_format_layout", f"layout{i}", s.encode() + b"\0" + SOURCE.encode())
    for i, s in enumerate(HOSTILE_SETTINGS):
        write("fuzz_format_settings", f"hostile{i}", s.encode())
    write("fuzz_format_settings", "utf16le", utf16(HOSTILE_SETTINGS[0], "le"))
    write("fuzz_format_settings", "utf16be", utf16(SETTINGS[2], "be"))
    write("fuzz_format_settings", "utf16-unmarked", HOSTILE_SETTINGS[1].encode("utf-16-le"))
    form = "VERSION 5.00\r\nBegin VB.Form Form1\r\nEnd\r\nPrivate Sub Form_Load()\r\nEnd Sub\r\n"
    for flags in (0, 0x15, 0x2A, 0xFF):
        write("fuzz_source_project", f"project{flags:02x}",
              bytes([0, flags]) + PROJECT.encode() + b"\n====\n" + form.encode() + b"\n====\n"
              + SOURCE.encode())
    write("fuzz_format_layout", "deep", b"\0" + b"Do\r\n" * 200 + b"Loop\r\n" * 200)
    write("fuzz_format_inline", "commands", "\n".join(INLINE).encode())
    write("fuzz_archive_roundtrip", "empty", b"\x00")
    write("fuzz_archive_roundtrip", "rle", b"\x01" + b"a" * 300 + b"\0" + b"abc" * 50)
    write("fuzz_archive_roundtrip", "lzh", b"\x02" + SOURCE.encode() + b"\0\0" + bytes(range(256)))
    if len(sys.argv) > 1:
        archive = os.path.abspath(sys.argv[1])
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "Demo.vbp").encode()
            info = bytes([len(path)]) + path
            members = {
                "PROJECTINFO": info + bytes(256 - len(info)),
                "PROJECTPRINT": b"Module1.bas\r\nTotal\r\n",
                "PROJECTPARAMS": SETTINGS[1].encode(),
            }
            for name, data in members.items():
                with open(os.path.join(work, name), "wb") as f:
                    f.write(data)
            job = os.path.join(work, "job.lrp")
            subprocess.run([archive, "create", job, "--method", "lzh", *members], cwd=work,
                           check=True, stdout=subprocess.DEVNULL)
            with open(job, "rb") as f:
                write("fuzz_format_job", "job", f.read())


if __name__ == "__main__":
    main()
