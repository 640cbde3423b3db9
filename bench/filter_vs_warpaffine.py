#!/usr/bin/python3
"""The filter's whole path without its dialog (every selector, file input and output left out) on a
12-megapixel photo for every group, beside OpenCV's warpAffine (bilinear, one thread) making an
image of the same size, timed in the same run. Needs python3-opencv (make bench-filter installs it)."""
import os
import re
import subprocess
import sys
import tempfile
import time

import cv2

GROUPS = "P1 P2 PM PG PMM PMG PGG CM CMM P4 P4M P4G P3 P3ML P3LM P6 P6M".split()
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
    print(f"{'group':6} {'filter s':>9} {'warpAffine s':>13} {'ratio':>6}")
    for group in GROUPS:
        out = subprocess.run([f"{build}/host/wf-host", "--plugins", f"{build}/plugins", "--in", photo, "--out",
                              os.path.join(work, "out.bmp"), "--set", f"TilingMethod={group}", "--time"],
                             check=True, capture_output=True, text=True, env=env).stdout
        filter_seconds = float(re.search(r"^filter ([0-9.]+) s", out, re.M).group(1))
        warp = warp_seconds(image)
        print(f"{group:6} {filter_seconds:9.3f} {warp:13.3f} {filter_seconds / warp:6.2f}")


if __name__ == "__main__":
    main()
