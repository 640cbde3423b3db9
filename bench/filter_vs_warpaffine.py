#!/usr/bin/python3
"""The filter's whole path without its dialog (every selector, file input and output left out) on a
12-megapixel photo through wf-host, for "P1", "P4M" and "P6M" at feather 0 and 20 with a small and a
large tile, beside OpenCV's warpAffine (bilinear, one thread) making an image of the same size, timed
in the same run; medians of 3. Then wf-host's save of the result as a JPEG file beside cv2.imwrite of
the same picture at the same quality (90), alternated. Needs python3-opencv (make bench-filter
installs it)."""
import os
import re
import subprocess
import sys
import tempfile
import time

import cv2

GROUPS = "P1 P4M P6M".split()
FEATHERS = (0, 20)
TILE_SIZES = (25, 100)
ROUNDS = 3
PHOTO = "/usr/share/backgrounds/mate/nature/LadyBird.jpg"


def warp_seconds(image, rounds=3):
    cv2.setNumThreads(1)
    height, width = image.shape[:2]
    matrix = cv2.getRotationMatrix2D((width / 2, height / 2), 30, 0.9)
    best = []
    for _ in range(rounds):
        start = time.perf_counter()
        cv2.warpAffine(image, matrix, (width, height), flags=cv2.INTER_LINEAR)
        best.append(time.perf_counter() - start)
    return sorted(best)[len(best) // 2]


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/release"
    work = tempfile.mkdtemp(prefix="wf-bench-")
    photo = os.path.join(work, "photo.bmp")
    subprocess.run(["convert", PHOTO, "-resize", "4000x3000!", photo], check=True)
    image = cv2.imread(photo)
    env = dict(os.environ, WF_REGISTRY=os.path.join("/dev/shm" if os.path.isdir("/dev/shm") else work, "wf-bench-registry"))
    print(f"{'group':6} {'feather':>7} {'size':>4} {'filter s':>9} {'warpAffine s':>13} {'ratio':>6}")
    for group in GROUPS:
        for feather in FEATHERS:
            for size in TILE_SIZES:
                times = []
                for _ in range(ROUNDS):
                    out = subprocess.run([f"{build}/host/wf-host", "--plugins", f"{build}/plugins", "--in", photo,
                                          "--out", os.path.join(work, "out.bmp"), "--set", f"TilingMethod={group}",
                                          "--set", f"Feathering={feather}", "--set", f"TileSize={size}", "--time"],
                                         check=True, capture_output=True, text=True, env=env).stdout
                    times.append(float(re.search(r"^filter ([0-9.]+) s", out, re.M).group(1)))
                filter_seconds = sorted(times)[ROUNDS // 2]
                warp = warp_seconds(image)
                print(f"{group:6} {feather:7} {size:4} {filter_seconds:9.3f} {warp:13.3f} {filter_seconds / warp:6.2f}")
    jpeg_save(build, work, photo, env)


def jpeg_save(build, work, photo, env):
    out = os.path.join(work, "out.jpg")
    ours, theirs = [], []
    for _ in range(ROUNDS):
        run = subprocess.run([f"{build}/host/wf-host", "--plugins", f"{build}/plugins", "--in", photo, "--out", out,
                              "--set", "TilingMethod=P1", "--time"], check=True, capture_output=True, text=True,
                             env=env).stdout
        ours.append(float(re.search(r"^save ([0-9.]+) s", run, re.M).group(1)))
        image = cv2.imread(out)
        start = time.perf_counter()
        cv2.imwrite(os.path.join(work, "cv2.jpg"), image, [cv2.IMWRITE_JPEG_QUALITY, 90])
        theirs.append(time.perf_counter() - start)
    ours_seconds, their_seconds = sorted(ours)[ROUNDS // 2], sorted(theirs)[ROUNDS // 2]
    print(f"JPEG save: wf-host {ours_seconds:.3f} s, cv2.imwrite {their_seconds:.3f} s, "
          f"ratio {ours_seconds / their_seconds:.2f}")

if __name__ == "__main__":
    main()
