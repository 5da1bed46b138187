#!/usr/bin/env python3
"""Writes a seeded VB6 project of about 100,000 lines for the listing
benchmark: 10 modules with CRLF line ends, nested If/ElseIf/Select/For/Do/
While blocks, comment runs, strings holding apostrophes, and about 3 % of
lines longer than 150 characters.

usage: make_corpus.py OUTDIR [LINES] [SEED]
"""
import os
import random
import sys

WORDS = ("total count index value amount name buffer result limit offset "
         "record field item entry cursor state flag message text width").split()


def ident(rng):
    return rng.choice(WORDS) + rng.choice(WORDS).capitalize()


def long_line(rng, indent):
    parts = [f'"{ident(rng)} isn\'t ready"' if rng.random() < 0.3 else ident(rng)
             for _ in range(rng.randint(14, 22))]
    return indent + ident(rng) + " = " + " & ".join(parts)


def statement(rng, indent):
    r = rng.random()
    if r < 0.085:
        return long_line(rng, indent)
    if r < 0.15:
        return indent + f"{ident(rng)} = {ident(rng)} + {rng.randint(1, 999)}   ' it's adjusted here"
    if r < 0.25:
        return indent + f'MsgBox "Can\'t open " & {ident(rng)}, vbExclamation'
    return indent + f"{ident(rng)} = {ident(rng)}({rng.randint(0, 9)}) * {rng.randint(2, 50)}"


def block(rng, depth, out, budget):
    pad = "    " * depth
    while budget > 0:
        kind = rng.random()
        if depth < 5 and kind < 0.10:
            out.append(pad + f"If {ident(rng)} > {rng.randint(0, 100)} Then")
            budget -= block(rng, depth + 1, out, rng.randint(2, 6)) + 1
            if rng.random() < 0.4:
                out.append(pad + f"ElseIf {ident(rng)} = 0 Then")
                budget -= block(rng, depth + 1, out, rng.randint(1, 4)) + 1
            if rng.random() < 0.5:
                out.append(pad + "Else")
                budget -= block(rng, depth + 1, out, rng.randint(1, 4)) + 1
            out.append(pad + "End If")
        elif depth < 5 and kind < 0.16:
            out.append(pad + f"Select Case {ident(rng)}")
            for case in range(rng.randint(2, 4)):
                out.append(pad + f"    Case {case}")
                budget -= block(rng, depth + 2, out, rng.randint(1, 3)) + 1
            out.append(pad + "    Case Else")
            budget -= block(rng, depth + 2, out, 1) + 1
            out.append(pad + "End Select")
        elif depth < 5 and kind < 0.22:
            out.append(pad + f"For i = 0 To {ident(rng)} - 1")
            budget -= block(rng, depth + 1, out, rng.randint(2, 5)) + 1
            out.append(pad + "Next i")
        elif depth < 5 and kind < 0.26:
            out.append(pad + f"Do While {ident(rng)} < {rng.randint(1, 99)}")
            budget -= block(rng, depth + 1, out, rng.randint(2, 5)) + 1
            out.append(pad + "Loop")
        elif depth < 5 and kind < 0.29:
            out.append(pad + f"While Not {ident(rng)}")
            budget -= block(rng, depth + 1, out, rng.randint(1, 4)) + 1
            out.append(pad + "Wend")
        elif kind < 0.34:
            for _ in range(rng.randint(2, 5)):
                out.append(pad + f"' {ident(rng)}: the {rng.choice(WORDS)} isn't checked again here")
            budget -= 3
        else:
            out.append(statement(rng, pad))
        budget -= 1
    return 0


def module(rng, name, lines):
    out = [f'Attribute VB_Name = "{name}"', "Option Explicit", ""]
    n = 0
    while len(out) < lines:
        n += 1
        if rng.random() < 0.5:
            out.append(f"Public Function {name}Func{n}(ByVal a As Long, ByVal b As String) As Long")
            end = "End Function"
        else:
            out.append(f"Private Sub {name}Sub{n}()")
            end = "End Sub"
        out.append("    Dim i As Long")
        block(rng, 1, out, rng.randint(20, 80))
        out.append(end)
        out.append("")
    return out[:lines]


def main():
    outdir = sys.argv[1]
    total = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    os.makedirs(outdir, exist_ok=True)
    names = [f"Module{i:02d}" for i in range(1, 11)]
    project = ["Type=Exe"] + [f"Module={n}; {n}.bas" for n in names] + [
        'Name="BenchProject"', "MaxNumberOfThreads=1"]
    with open(os.path.join(outdir, "Bench.vbp"), "wb") as f:
        f.write(("\r\n".join(project) + "\r\n").encode("ascii"))
    for n in names:
        with open(os.path.join(outdir, n + ".bas"), "wb") as f:
            f.write(("\r\n".join(module(rng, n, total // len(names))) + "\r\n").encode("ascii"))


if __name__ == "__main__":
    main()
