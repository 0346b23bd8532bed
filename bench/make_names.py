#!/usr/bin/env python3
"""Writes N realistic file names, one per line: camera photos, Chinese
document names, screenshots, music tracks and long mixed names."""
import random
import sys

def names(count, seed):
    rng = random.Random(seed)
    chinese = "照片文件报告会议记录旅行北京上海家庭春节合同发票扫描件学习笔记项目计划总结"
    words = ["holiday", "report", "final", "draft", "Budget", "scan", "invoice", "meeting", "notes", "v2"]
    exts = ["jpg", "JPG", "png", "heic", "mp3", "pdf", "docx", "txt", "mov", "tar.gz"]
    for i in range(count):
        kind = i % 5
        if kind == 0:
            yield f"IMG_{rng.randrange(10000):04d}.{rng.choice(['JPG', 'jpg', 'HEIC'])}"
        elif kind == 1:
            text = "".join(rng.choice(chinese) for _ in range(rng.randint(2, 12)))
            yield f"{text}{rng.randint(1, 300)}.{rng.choice(exts)}"
        elif kind == 2:
            yield (f"Screenshot {rng.randint(2019, 2026)}-{rng.randint(1, 12):02d}-{rng.randint(1, 28):02d}"
                   f" at {rng.randint(0, 23):02d}.{rng.randint(0, 59):02d}.png")
        elif kind == 3:
            yield f"{rng.randint(1, 20):02d} - {' '.join(rng.choice(words) for _ in range(rng.randint(1, 6)))}.mp3"
        else:
            length = rng.randint(1, 80)
            alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789_- ."
            yield "".join(rng.choice(alphabet) for _ in range(length)) + "." + rng.choice(exts)

if __name__ == "__main__":
    count = int(sys.argv[1])
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    sys.stdout.write("\n".join(names(count, seed)) + "\n")
