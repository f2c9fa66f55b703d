#!/usr/bin/env python3
"""Scores the reception of both decoders on generated recordings.

Generates each group of recordings with vestral-banc (known text, known
conditions, fixed seeds), decodes each with the classic decoder
(vestral-decode, automatic pitch and speed) and with the sensitive one
(vestral-banc decode), and prints the character error rate of each group
side by side: the edit distance between the text sent and the text decoded,
spaces collapsed, over the length of the text sent. Band noise alone is
scored in false characters per minute.

    scripts/score-reception.py [--build build] [--jobs 2] [--keep DIR]
"""
import argparse
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile

SPEEDS = (15, 20, 25, 30)
TEXTS = ("phrases", "calls", "contest", "groups")

# (label, group, snr or None for the group's own, speeds, target)
GROUPS = [
    ("Bruit blanc +3 dB", "awgn", 3, SPEEDS, "≤ 2 %"),
    ("Bruit blanc 0 dB", "awgn", 0, SPEEDS, "≤ 2 %"),
    ("Bruit blanc −3 dB", "awgn", -3, SPEEDS, "≤ 2 %"),
    ("Bruit blanc −6 dB", "awgn", -6, SPEEDS, "≤ 5 %"),
    ("Bruit blanc −9 dB", "awgn", -9, SPEEDS, "≤ 15 %"),
    ("Bruit blanc −12 dB", "awgn", -12, SPEEDS, "≤ 50 %"),
    ("Sans bruit, 12 à 40 mots/min", "clean", None, (12, 20, 30, 40), "≤ 1 %"),
    ("Fading (+3 dB en moyenne)", "fading", 3, SPEEDS, "≤ 3 %"),
    ("Crépitements (+6 dB)", "crashes", 6, SPEEDS, "≤ 3 %"),
    ("Dérive (+6 dB)", "drift", 6, SPEEDS, "≤ 3 %"),
    ("Chirp et clics (+6 dB)", "chirp", 6, SPEEDS, "≤ 3 %"),
    ("Manipulation à la main (+10 dB)", "hand", 10, SPEEDS, "≤ 8 %"),
    ("Second signal (+6 dB, fréquence donnée)", "second", 6, SPEEDS, "≤ 3 %"),
]
NOISE_SECONDS = 120
NOISE_RECORDINGS = 2
VERBOSE = False


def collapse(text):
    return re.sub(r"\s+", " ", text).strip()


def distance(a, b):
    previous = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        current = [i]
        for j, cb in enumerate(b, 1):
            current.append(min(previous[j] + 1, current[j - 1] + 1,
                               previous[j - 1] + (ca != cb)))
        previous = current
    return previous[-1]


def run(command):
    result = subprocess.run(command, capture_output=True, check=False)
    if result.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(command), result.stderr.decode("utf-8", "replace")))
    return result.stdout.decode("latin-1")


def one(bin_dir, folder, label, group, snr, wpm, seed, text_kind):
    wav = os.path.join(folder, "%s-%d-%d.wav" % (group, wpm, seed))
    command = [os.path.join(bin_dir, "vestral-banc"), "generate", "--group", group,
               "--wpm", str(wpm), "--seed", str(seed), "--text", text_kind, "-o", wav]
    if snr is not None:
        command += ["--snr", str(snr)]
    if group == "noise":
        command += ["--duration", str(NOISE_SECONDS)]
    line = run(command).split("\t")
    frequency = int(float(line[1]))
    with open(wav[:-4] + ".txt", encoding="latin-1") as f:
        truth = collapse(f.read())
    classic = [os.path.join(bin_dir, "vestral-decode"), wav]
    sensitive = [os.path.join(bin_dir, "vestral-banc"), "decode", wav]
    if group == "second":
        classic += ["--frequency", str(frequency)]
        sensitive += ["--frequency", str(frequency)]
    results = []
    for command in (classic, sensitive):
        decoded = collapse(run(command))
        if group == "noise":
            results.append(len(decoded.replace(" ", "")) * 60.0 / NOISE_SECONDS)
        else:
            results.append(distance(truth, decoded) / max(1, len(truth)))
    if VERBOSE:
        print("%-8s %2d wpm seed %5d  classic %6.1f  sensitive %6.1f" % (group, wpm, seed, 100 * results[0], 100 * results[1]), file=sys.stderr)
    return label, results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--build", default=os.path.join(top, "build"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--keep", help="keep the recordings in this folder")
    parser.add_argument("--only", help="only the groups whose name holds this")
    parser.add_argument("--verbose", action="store_true", help="each recording's figures")
    args = parser.parse_args()
    global VERBOSE
    VERBOSE = args.verbose
    bin_dir = os.path.join(args.build, "bin")
    folder = args.keep or tempfile.mkdtemp(prefix="score-reception-")
    os.makedirs(folder, exist_ok=True)

    jobs = []
    seed = 1
    groups = [g for g in GROUPS if not args.only or args.only in g[1]]
    for index, (label, group, snr, speeds, _) in enumerate(groups):
        for k, wpm in enumerate(speeds):
            jobs.append((label, group, snr, wpm, 100 * (index + 1) + k,
                         TEXTS[(index + k) % len(TEXTS)]))
    if not args.only or "noise" in args.only:
        for k in range(NOISE_RECORDINGS):
            jobs.append(("Bruit seul", "noise", None, 20, 9000 + k, "phrases"))

    scores = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = [pool.submit(one, bin_dir, folder, *job) for job in jobs]
        for future in futures:
            label, results = future.result()
            scores.setdefault(label, []).append(results)

    print("| Groupe | Objectif | Décodeur classique | Décodeur sensible |")
    print("|---|---|---|---|")
    for label, _, _, _, target in groups:
        rows = scores[label]
        classic = sum(r[0] for r in rows) / len(rows)
        sensitive = sum(r[1] for r in rows) / len(rows)
        print("| %s | %s | %.1f %% | %.1f %% |" % (label, target, 100 * classic, 100 * sensitive))
    if "Bruit seul" in scores:
        rows = scores["Bruit seul"]
        classic = sum(r[0] for r in rows) / len(rows)
        sensitive = sum(r[1] for r in rows) / len(rows)
        print("| Bruit seul, crépitements compris (caractères par minute) | ≤ 1 | %.1f | %.1f |"
              % (classic, sensitive))
    if not args.keep:
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        os.rmdir(folder)


if __name__ == "__main__":
    main()
